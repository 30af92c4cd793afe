#pragma once
// The text console a command-line program runs in: whether output goes to a person, whole lines
// of input, and Ctrl+C.
//
// Ctrl+C must not cut an exchange with the tag device in half: a frame already sent has changed
// the tag, and only its answer tells how. So the interrupt becomes a request that the program
// acts on at its next safe point, and a wait for input returns at once when it comes.

#include <string>

namespace platform {

bool IsStandardOutputTerminal();

// From now on Ctrl+C no longer ends the process; it only sets the request below. Main thread,
// before any other thread starts (they inherit what they need from it).
void DeferInterrupt();
bool InterruptRequested();
// Ends the process as the interrupt would have, so that a calling shell stops its script too.
// Call with every file flushed and closed that must be.
[[noreturn]] void EndAsInterrupted();

enum class InputResult { Line, End, Interrupted };
// The next line of standard input, without its line end (LF or CR LF). End: input is exhausted
// (a partial last line still comes as a Line first). Interrupted: Ctrl+C came first.
InputResult ReadInputLine(std::string& line);

}  // namespace platform

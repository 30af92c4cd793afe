#pragma once
// The text console a command-line program runs in: whether output goes to a person, whole lines
// of input, and the requests to stop.
//
// Nothing must cut an exchange with the tag device in half: a frame already sent has changed
// the tag, and only its answer tells how. So Ctrl+C, and every other request to stop that the
// system lets a program catch, becomes a request that the program acts on at its next safe point,
// and a wait for input returns at once when it comes.

#include <string>

namespace platform {

bool IsStandardOutputTerminal();

// From now on a request to stop (Ctrl+C; on POSIX also SIGTERM and SIGHUP, on Windows Ctrl+Break
// and closing the console window) no longer ends the process; it only sets the request below.
// Neither does a file-size limit or a reader of our output that went away: the write that meets
// them fails instead, and the caller hears why. Main thread, before any other thread starts (they
// inherit what they need from it).
void DeferInterrupt();
bool InterruptRequested();
// Ends the process as the request that came would have (a calling shell sees that signal), so
// that a calling script stops too. Call with every file flushed and closed that must be.
[[noreturn]] void EndAsInterrupted();

// On a terminal, throws away what was typed before now, so that a key pressed twice, or pressed
// while the program was busy, cannot answer the next question. Input from a pipe or a file is
// kept: there every line is an answer.
void DiscardTypedAhead();

enum class InputResult { Line, End, Interrupted, NotYet };
// The next line of standard input, without its line end (LF or CR LF). End: input is exhausted
// (a partial last line still comes as a Line first). Interrupted: Ctrl+C came first. Without
// `wait`, NotYet at once when no whole line has been typed, for a program busy with other work.
[[nodiscard]] InputResult ReadInputLine(std::string& line, bool wait = true);

}  // namespace platform

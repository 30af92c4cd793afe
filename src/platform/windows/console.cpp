// Requests to stop on Windows: the system runs the console control handler on a thread of its
// own; the handler only raises a flag and sets an event, and answering TRUE to Ctrl+C and
// Ctrl+Break keeps the process alive. Closing the console window cannot be refused: the process
// ends when the handler returns, or some seconds later in any case. So that handler does not
// return: the main thread finishes the tag under way meanwhile and ends the process itself.
//
// Standard input is read on a reader thread of its own, because only a console handle can be
// waited on: a pipe or a file cannot. The main thread waits on the reader's event and on the
// interrupt event together, so a prompt ends at once on Ctrl+C whatever stdin is. A synchronous
// console read cannot be woken on every Windows version, so the reader is never joined: it is
// detached and ends with the process, and the state it shares is owned by both sides.
//
// `InputState` fields are guarded by `lock`; `arrived` is set after each change. The interrupt
// event is created by DeferInterrupt before the handler is installed and never closed.

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/console.h"
#include "platform/input_lines.h"
#include "platform/windows/unique_handle.h"

namespace platform {
namespace {

using win32::UniqueHandle;

std::atomic<bool> g_interrupted{false};
HANDLE g_interruptEvent = nullptr;

struct InputState {
    std::mutex lock;
    InputLines lines;
    bool ended = false;
    UniqueHandle arrived{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
};

BOOL WINAPI OnConsoleEvent(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT && type != CTRL_CLOSE_EVENT) {
        return FALSE;  // logoff, shutdown: no console program is asked
    }
    g_interrupted.store(true);
    SetEvent(g_interruptEvent);
    if (type == CTRL_CLOSE_EVENT) {
        Sleep(INFINITE);  // the main thread's ExitProcess, or the system's time limit, ends this
    }
    return TRUE;
}

void ReadStandardInput(std::shared_ptr<InputState> state) {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    for (;;) {
        char buffer[512];
        DWORD count = 0;
        SetLastError(ERROR_SUCCESS);  // a read that ends input need not set it
        const BOOL read = ReadFile(input, buffer, sizeof buffer, &count, nullptr);
        // A console read that Ctrl+C breaks off returns no bytes and is no end of input.
        if (count == 0 && GetLastError() == ERROR_OPERATION_ABORTED) {
            continue;
        }
        const std::lock_guard guard(state->lock);
        if (read && count > 0) {
            state->lines.Append(buffer, count);
        } else {
            state->ended = true;  // end of file, a closed pipe, or no input at all
        }
        SetEvent(state->arrived.get());
        if (state->ended) {
            return;
        }
    }
}

// Started by the first prompt, so that a program that never asks leaves stdin unread.
InputState& Input() {
    static const std::shared_ptr<InputState> state = [] {
        auto made = std::make_shared<InputState>();
        std::thread(ReadStandardInput, made).detach();
        return made;
    }();
    return *state;
}

}  // namespace

bool IsStandardOutputTerminal() {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    return GetFileType(output) == FILE_TYPE_CHAR && GetConsoleMode(output, &mode) != 0;
}

void DeferInterrupt() {
    g_interruptEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (g_interruptEvent == nullptr) {
        return;  // Ctrl+C then ends the process as usual: abrupt, but never ignored
    }
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

bool InterruptRequested() {
    return g_interrupted.load();
}

void EndAsInterrupted() {
    ExitProcess(STATUS_CONTROL_C_EXIT);
}

void DiscardTypedAhead() {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (GetFileType(input) != FILE_TYPE_CHAR || GetConsoleMode(input, &mode) == 0) {
        return;
    }
    FlushConsoleInputBuffer(input);
    // The reader thread may hold lines it took from the console already.
    InputState& state = Input();
    const std::lock_guard guard(state.lock);
    state.lines = InputLines();
}

InputResult ReadInputLine(std::string& line, bool wait) {
    InputState& input = Input();
    for (;;) {
        if (g_interrupted.load()) {
            return InputResult::Interrupted;
        }
        {
            const std::lock_guard guard(input.lock);
            if (input.lines.Take(line, input.ended)) {
                return InputResult::Line;
            }
            if (input.ended) {
                return InputResult::End;
            }
        }
        const HANDLE waits[2] = {input.arrived.get(), g_interruptEvent};
        if (WaitForMultipleObjects(g_interruptEvent != nullptr ? 2 : 1, waits, FALSE,
                                   wait ? INFINITE : 0) == WAIT_TIMEOUT) {
            return InputResult::NotYet;
        }
    }
}

}  // namespace platform

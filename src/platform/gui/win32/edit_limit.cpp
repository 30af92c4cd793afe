#include "platform/gui/win32/edit_limit.h"

#include <algorithm>
#include <string>

#include "platform/windows/win32_api.h"
#include "platform/windows/wire_text.h"

namespace platform::win32 {
namespace {

constexpr UINT_PTR kSubclassId = 1;

std::wstring WindowText(HWND edit) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Bytes left for an insertion that replaces the selection.
std::size_t Room(HWND edit, std::size_t limit) {
    const std::wstring text = WindowText(edit);
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const std::wstring_view view(text);
    const std::size_t kept = ToWire(view.substr(0, start)).size() +
                             ToWire(view.substr(std::min<std::size_t>(end, view.size()))).size();
    return kept >= limit ? 0 : limit - kept;
}

bool IsControl(wchar_t unit) {
    return unit < 0x20 || unit == 0x7F;
}

// The edit's own commands that come as control characters: Backspace, and Ctrl+A, C, V, X, Z.
bool IsEditCommand(wchar_t unit) {
    switch (unit) {
        case 0x01:
        case 0x03:
        case 0x08:
        case 0x16:
        case 0x18:
        case 0x1A:
            return true;
        default:
            return false;
    }
}

// What of the clipboard's text goes in: its characters that may, up to the room there is.
std::wstring FittingPaste(std::wstring_view pasted, std::size_t room) {
    std::wstring kept;
    std::size_t used = 0;
    for (std::size_t i = 0; i < pasted.size();) {
        const bool pair = IS_HIGH_SURROGATE(pasted[i]) && i + 1 < pasted.size() &&
                          IS_LOW_SURROGATE(pasted[i + 1]);
        const std::wstring_view character = pasted.substr(i, pair ? 2 : 1);
        i += character.size();
        if (IsControl(character.front()) || !FitsWire(character)) {
            continue;
        }
        const std::size_t bytes = ToWire(character).size();
        if (used + bytes > room) {
            break;
        }
        used += bytes;
        kept += character;
    }
    return kept;
}

std::wstring ClipboardText(HWND owner) {
    std::wstring text;
    if (!OpenClipboard(owner)) {
        return text;
    }
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

std::size_t ControlCount(std::wstring_view text) {
    return static_cast<std::size_t>(std::ranges::count_if(text, IsControl));
}

// An input method may hand the edit its result directly, past WM_CHAR: the text is checked once
// the edit has taken it, and put back as it was when it broke the limit, brought a control
// character or a character the wire cannot carry.
LRESULT CheckedAfterwards(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                          std::size_t limit) {
    const std::wstring before = WindowText(edit);
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const LRESULT result = DefSubclassProc(edit, message, wParam, lParam);
    const std::wstring after = WindowText(edit);
    if (after == before) {
        return result;
    }
    const std::size_t bytes = ToWire(after).size();
    const bool tooLong = bytes > limit && bytes > ToWire(before).size();
    const bool unfit = FromWire(ToWire(after)) != after && FromWire(ToWire(before)) == before;
    if (tooLong || unfit || ControlCount(after) > ControlCount(before)) {
        SetWindowTextW(edit, before.c_str());
        SendMessageW(edit, EM_SETSEL, start, static_cast<LPARAM>(end));
        MessageBeep(MB_OK);
    }
    return result;
}

LRESULT CALLBACK LimitedEdit(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                             DWORD_PTR limit) {
    switch (message) {
        case WM_CHAR: {
            const auto unit = static_cast<wchar_t>(wParam);
            if (IsEditCommand(unit)) {
                break;
            }
            // A character beyond the first plane comes in two halves; no code page but UTF-8
            // holds one, and a tag's text has no use for them.
            const std::wstring_view character(&unit, 1);
            if (IsControl(unit) || IS_HIGH_SURROGATE(unit) || IS_LOW_SURROGATE(unit) ||
                !FitsWire(character) || ToWire(character).size() > Room(edit, limit)) {
                MessageBeep(MB_OK);
                return 0;
            }
            break;
        }
        case WM_PASTE: {
            const std::wstring kept = FittingPaste(ClipboardText(edit), Room(edit, limit));
            if (kept.empty()) {
                MessageBeep(MB_OK);
            } else {
                SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(kept.c_str()));
            }
            return 0;
        }
        case WM_IME_CHAR:
        case WM_IME_COMPOSITION:
            return CheckedAfterwards(edit, message, wParam, lParam, limit);
        case WM_NCDESTROY:
            RemoveWindowSubclass(edit, &LimitedEdit, kSubclassId);
            break;
        default:
            break;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

}  // namespace

void LimitEditText(HWND edit, int limit) {
    // Installing again only changes the reference data: the limit.
    SetWindowSubclass(edit, &LimitedEdit, kSubclassId, static_cast<DWORD_PTR>(limit));
}

}  // namespace platform::win32

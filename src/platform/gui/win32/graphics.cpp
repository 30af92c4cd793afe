#include "platform/gui/graphics.h"

#include <memory>

#include "platform/gui/program_resources.h"
#include "platform/gui/win32/native.h"
#include "platform/windows/win32_api.h"

namespace platform {

Bitmap::Image::~Image() {
    DeleteObject(bitmap);
}

Bitmap LoadBitmap(int id) {
    HANDLE image = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0,
                              LR_DEFAULTCOLOR);
    if (image == nullptr) {
        return {};
    }
    return Bitmap(std::make_shared<const Bitmap::Image>(static_cast<HBITMAP>(image)));
}

Icon LoadAppIcon() {
    // Shared: the system keeps it for the life of the process.
    HANDLE icon = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(Resources().appIcon.id),
                             IMAGE_ICON, 32, 32, LR_SHARED);
    if (icon == nullptr) {
        return {};
    }
    return Icon(std::make_shared<const Icon::Image>(Icon::Image{static_cast<HICON>(icon)}));
}

struct PaintDC::State {
    HWND window = nullptr;
    PAINTSTRUCT paint{};
    HDC dc = nullptr;
};

PaintDC::PaintDC(Dialog& dialog) : m_state(std::make_unique<State>()) {
    m_state->window = win32::Window(dialog);
    m_state->dc = BeginPaint(m_state->window, &m_state->paint);
}

PaintDC::~PaintDC() {
    EndPaint(m_state->window, &m_state->paint);
}

void PaintDC::EraseIconBackground() {
    SendMessageW(m_state->window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(m_state->dc), 0);
}

void PaintDC::DrawIcon(Point at, const Icon& icon, Size size) {
    if (icon.IsNull()) {
        return;
    }
    DrawIconEx(m_state->dc, at.x, at.y, icon.Native()->icon, size.cx, size.cy, 0, nullptr,
               DI_NORMAL);
}

}  // namespace platform

#include "gui/graphics.h"

#include "gui/dialog.h"
#include "platform/windows/win32_api.h"
#include "res/resource_rc.h"

namespace platform {

Bitmap::Bitmap(HBITMAP bitmap) : m_bitmap(bitmap, [](HBITMAP owned) { DeleteObject(owned); }) {}

Bitmap LoadBitmap(int id) {
    HANDLE image = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0,
                              LR_DEFAULTCOLOR);
    return image != nullptr ? Bitmap(static_cast<HBITMAP>(image)) : Bitmap();
}

Icon LoadAppIcon() {
    // Shared: the system keeps it for the life of the process.
    return Icon(
        static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME),
                                      IMAGE_ICON, 32, 32, LR_SHARED)));
}

struct PaintDC::State {
    PAINTSTRUCT paint{};
    HDC dc = nullptr;
};

PaintDC::PaintDC(Dialog& dialog) : m_dialog(dialog), m_state(std::make_unique<State>()) {
    m_state->dc = BeginPaint(m_dialog.Window(), &m_state->paint);
}

PaintDC::~PaintDC() {
    EndPaint(m_dialog.Window(), &m_state->paint);
}

void PaintDC::EraseIconBackground() {
    SendMessageW(m_dialog.Window(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(m_state->dc), 0);
}

void PaintDC::DrawIcon(Point at, const Icon& icon, Size size) {
    DrawIconEx(m_state->dc, at.x, at.y, icon.Native(), size.cx, size.cy, 0, nullptr, DI_NORMAL);
}

}  // namespace platform

#pragma once
// Images and painting on Win32: the bitmaps and the icon come from the executable's resources
// (velmora.rc), and a minimised window paints its icon itself.

#include <memory>

#include "platform/geometry.h"

struct HICON__;
struct HBITMAP__;
struct HDC__;

namespace platform {

class Dialog;

// An icon from the executable's resources; the system owns it, so copies are free.
class Icon {
  public:
    Icon() = default;
    explicit Icon(HICON__* icon) : m_icon(icon) {}
    bool IsNull() const { return m_icon == nullptr; }
    HICON__* Native() const { return m_icon; }

  private:
    HICON__* m_icon = nullptr;
};

// A bitmap loaded from the resources; the last copy deletes it.
class Bitmap {
  public:
    Bitmap() = default;
    explicit Bitmap(HBITMAP__* bitmap);
    bool IsNull() const { return m_bitmap == nullptr; }
    HBITMAP__* Native() const { return m_bitmap.get(); }

  private:
    std::shared_ptr<HBITMAP__> m_bitmap;
};

// The program's 24-bit bitmaps by their IDB_ identifiers; a null bitmap when the id names none.
Bitmap LoadBitmap(int id);
// The application icon, IDR_MAINFRAME, at 32 × 32.
Icon LoadAppIcon();

// Painting a dialog's client area from its OnPaint: BeginPaint and EndPaint around it.
class PaintDC {
  public:
    explicit PaintDC(Dialog& dialog);
    ~PaintDC();
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    // What a minimised window shows behind its icon.
    void EraseIconBackground();
    void DrawIcon(Point at, const Icon& icon, Size size);

  private:
    Dialog& m_dialog;
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace platform

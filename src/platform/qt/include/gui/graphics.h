#pragma once
// Images and painting on Qt. An icon is a QIcon and a bitmap a QPixmap: both are in logical
// pixels, so on a high-density screen they keep their size on screen and are scaled up.

#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include "platform/geometry.h"

namespace platform {

class Dialog;

using Icon = QIcon;
using Bitmap = QPixmap;

// The program's 24-bit bitmaps by their IDB_ identifiers; a null bitmap when the id names none.
Bitmap LoadBitmap(int id);
// The application icon, IDR_MAINFRAME, at 32 × 32.
Icon LoadAppIcon();

// Painting a dialog's client area from its OnPaint.
class PaintDC {
  public:
    explicit PaintDC(Dialog& dialog);
    // What a minimised window shows behind its icon.
    void EraseIconBackground();
    void DrawIcon(Point at, const Icon& icon, Size size);

  private:
    Dialog& m_dialog;
    QPainter m_painter;
};

}  // namespace platform

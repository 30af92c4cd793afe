#pragma once
// Images and painting. Each window backend loads the program's images its own way (embedded
// resources, the executable's resource section) and keeps them behind Image; copies share one
// image, and the last copy lets it go. Images are in logical pixels: on a high-density screen
// they keep their size on screen and are scaled up.

#include <memory>
#include <utility>

#include "platform/gui/geometry.h"

namespace platform {

class Dialog;

class Icon {
  public:
    struct Image;  // the backend's picture
    Icon() = default;
    explicit Icon(std::shared_ptr<const Image> image) : m_image(std::move(image)) {}
    bool IsNull() const { return m_image == nullptr; }
    const Image* Native() const { return m_image.get(); }

  private:
    std::shared_ptr<const Image> m_image;
};

class Bitmap {
  public:
    struct Image;  // the backend's picture
    Bitmap() = default;
    explicit Bitmap(std::shared_ptr<const Image> image) : m_image(std::move(image)) {}
    bool IsNull() const { return m_image == nullptr; }
    const Image* Native() const { return m_image.get(); }

  private:
    std::shared_ptr<const Image> m_image;
};

// The program's 24-bit bitmaps by their IDB_ identifiers; a null bitmap when the id names none.
Bitmap LoadBitmap(int id);
// The application icon, IDR_MAINFRAME, at 32 × 32.
Icon LoadAppIcon();

// Painting a dialog's client area from its OnPaint.
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
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace platform

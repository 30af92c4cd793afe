#pragma once
// Control objects: a dialog member that stands for one child window once the first data exchange
// has attached it. Until then every operation is a harmless no-op, as on an unattached object.

#include <string>

#include "gui/graphics.h"
#include "gui/native_window.h"

namespace platform {

class Control {
  public:
    bool IsAttached() const { return m_widget != nullptr; }
    void Attach(NativeWindow widget) { m_widget = widget; }
    void EnableWindow(bool enable);

  protected:
    ControlRef m_widget{};
};

class Edit : public Control {
  public:
    // start -1: no selection, the caret stays where it is.
    void SetSel(int start, int end);
    void ScrollCaret();
    // Inserts at the caret, replacing the selection; the caret ends behind the text.
    void ReplaceSel(const std::string& text);
};

class ComboBox : public Control {
  public:
    int GetCurSel() const;
};

class Button : public Control {
  public:
    // The image takes the caption's place; the caption stays the button's accessible name.
    // The button does not own the image: keep it alive for as long as the button shows it.
    void SetBitmap(const Bitmap& image);
};

class Static : public Control {};

}  // namespace platform

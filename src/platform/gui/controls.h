#pragma once
// Control objects: a dialog member that stands for one of its controls once the first data
// exchange has attached it. Until then every operation is a harmless no-op, as on an unattached
// object; so is every operation once the dialog's window is gone.

#include <string>

#include "platform/gui/graphics.h"

namespace platform {

class Dialog;

class Control {
  public:
    bool IsAttached() const { return m_dialog != nullptr; }
    void Attach(Dialog& dialog, int id) {
        m_dialog = &dialog;
        m_id = id;
    }
    void EnableWindow(bool enable);

  protected:
    Dialog* m_dialog = nullptr;
    int m_id = 0;
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

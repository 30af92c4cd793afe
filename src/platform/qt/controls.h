#pragma once
// Control objects: a dialog member that stands for one child window once the first data exchange
// has attached it. Until then every operation is a harmless no-op, as on an unattached object.

#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <string>

namespace platform {

class Control {
  public:
    bool IsAttached() const { return !m_widget.isNull(); }
    void Attach(QWidget* widget) { m_widget = widget; }
    void EnableWindow(bool enable);

  protected:
    QPointer<QWidget> m_widget;
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
    void SetBitmap(const QPixmap& image);
};

class Static : public Control {};

}  // namespace platform

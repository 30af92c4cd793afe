#pragma once
// Turns a dialog template (gui/dialog_template.h) into Qt widgets, laid out as Windows lays out
// the same template: positions and sizes in dialog units are converted with the base units of
// the dialog's font.
//
// Every control becomes a child widget of the dialog in template order, which is its creation
// order and its tab order. Each widget is named after its identifier as the program names it
// (objectName "IDC_BTN_OPEN", "IDOK", "IDC_STATIC"; gui/program_resources.h) and carries the
// numeric identifier in the property kControlIdProperty.
// A control without WS_VISIBLE is created hidden and stays hidden when the dialog is shown.
//
// Classes: push buttons become QPushButton (BS_DEFPUSHBUTTON: the dialog's default button;
// BS_BITMAP: no visible text, the caption is the accessible name and tooltip until SetButtonImage
// gives the picture), BS_AUTOCHECKBOX QCheckBox (BS_LEFTTEXT: text left of the box), edits
// QLineEdit (WS_BORDER: frame, ES_READONLY: read-only; it always scrolls as ES_AUTOHSCROLL would),
// CBS_DROPDOWNLIST combo boxes a non-editable QComboBox holding the dialog's list data with no
// selection yet, SS_LEFT statics a QLabel (a '&' marks a mnemonic unless SS_NOPREFIX) that wraps
// at words when it is two lines high or more and otherwise widens to its text, SS_BITMAP statics a
// QLabel with the template's image at the image's own size.
// WS_TABSTOP gives Qt::StrongFocus; other buttons, edits and lists take the focus only by click.

#include <QFont>
#include <QRect>
#include <QWidget>
#include <vector>

#include "platform/gui/dialog_template.h"

class QAbstractButton;
class QPixmap;

namespace platform::qt {

inline constexpr char kControlIdProperty[] = "controlId";

// Windows' MulDiv: a * b / c rounded to the nearest integer, halves away from zero; -1 when c is
// zero.
int MulDiv(int a, int b, int c);

// Pixels per four horizontal and per eight vertical dialog units.
struct DialogBaseUnits {
    int x;
    int y;
    bool operator==(const DialogBaseUnits&) const = default;
};

// alphabetWidth: width in pixels of "ABC…XYZabc…xyz" (52 letters); fontHeight: ascent + descent.
// The average letter width is rounded as Windows rounds it.
DialogBaseUnits BaseUnitsFromMetrics(int alphabetWidth, int fontHeight);
DialogBaseUnits BaseUnitsOf(const QFont& font);
// Each of x, y, width and height is converted on its own, as Windows does for controls.
QRect DialogUnitsToPixels(const QRect& dialogUnits, DialogBaseUnits base);

// The template's font on this platform: every Windows dialog face maps to the system's general
// sans-serif font at the template's point size and weight.
QFont DialogFont(const DialogTemplate& dialog);

class DialogControls {
  public:
    struct Entry {
        int id;
        QWidget* widget;
    };

    // The widget of a control identifier; null for kIdStatic and for identifiers not in the
    // template.
    QWidget* Find(int id) const;
    template <class Widget>
    Widget* Find(int id) const {
        return qobject_cast<Widget*>(Find(id));
    }
    // Every control, statics included, in template order.
    const std::vector<Entry>& InOrder() const { return entries_; }
    DialogBaseUnits BaseUnits() const { return baseUnits_; }

  private:
    friend DialogControls BuildDialog(const DialogTemplate&, QWidget*);
    std::vector<Entry> entries_;
    DialogBaseUnits baseUnits_{};
};

// Makes window the dialog of the template: caption, font, fixed client size, title-bar buttons by
// style (never maximise, never resize), and creates the controls. Build once, before the dialog
// is first shown. The widgets belong to window.
DialogControls BuildDialog(const DialogTemplate& dialog, QWidget* window);

// The picture of an image button, shown at its own size in place of the caption; a null pixmap
// takes the picture away.
void SetButtonImage(QAbstractButton* button, const QPixmap& image);

}  // namespace platform::qt

#pragma once
// The Qt objects behind the window framework's types, for the Qt backend's own files and for the
// tests that drive the real widgets.

#include <QDialog>
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <QWidget>

#include "platform/gui/dialog.h"
#include "platform/gui/graphics.h"

namespace platform {

struct Icon::Image {
    QIcon icon;
};

struct Bitmap::Image {
    QPixmap pixmap;
};

namespace qt {

// The dialog's window; it exists from the dialog's construction on.
QDialog& Window(const Dialog& dialog);
// The widget of a control identifier once the dialog is created; null for kIdStatic and for
// identifiers not in the template.
QWidget* DlgItem(const Dialog& dialog, int id);
// The system menu, as it opens in the dialog's context.
QMenu& SystemMenuOf(const Dialog& dialog);
template <class Widget>
Widget* DlgItem(const Dialog& dialog, int id) {
    return qobject_cast<Widget*>(DlgItem(dialog, id));
}

inline QIcon ToQIcon(const Icon& icon) {
    return icon.IsNull() ? QIcon() : icon.Native()->icon;
}
inline QPixmap ToPixmap(const Bitmap& bitmap) {
    return bitmap.IsNull() ? QPixmap() : bitmap.Native()->pixmap;
}

}  // namespace qt
}  // namespace platform

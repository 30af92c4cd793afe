#include "platform/gui/qt/dialog_builder.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/gui/program_resources.h"
#include "platform/gui/qt/images.h"
#include "platform/gui/window_styles.h"

namespace platform::qt {
namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// What a static without SS_NOPREFIX shows: "&&" is one ampersand, a single '&' only marks the
// next letter.
QString WithoutPrefixMarks(std::string_view text) {
    std::string shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && ++i == text.size()) {
            break;
        }
        shown.push_back(text[i]);
    }
    return FromUtf8(shown);
}

QWidget* CreateButton(const ControlTemplate& control, QWidget* parent) {
    const QString caption = FromUtf8(control.text);
    if ((control.style & BS_TYPEMASK) == BS_AUTOCHECKBOX) {
        auto* box = new QCheckBox(caption, parent);
        if (control.style & BS_LEFTTEXT) {
            box->setLayoutDirection(Qt::RightToLeft);
        }
        return box;
    }
    auto* button = new QPushButton(parent);
    if (control.style & BS_BITMAP) {
        const QString name = WithoutPrefixMarks(control.text);
        button->setAccessibleName(name);
        button->setToolTip(name);
    } else {
        button->setText(caption);
    }
    button->setDefault((control.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
    return button;
}

QWidget* CreateEdit(const ControlTemplate& control, QWidget* parent) {
    auto* edit = new QLineEdit(FromUtf8(control.text), parent);
    edit->setFrame((control.style & WS_BORDER) != 0);
    edit->setReadOnly((control.style & ES_READONLY) != 0);
    return edit;
}

QWidget* CreateComboBox(const DialogTemplate& dialog, const ControlTemplate& control,
                        QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setEditable(false);
    for (std::string_view entry : FindListEntries(dialog, control.id)) {
        combo->addItem(FromUtf8(entry));
    }
    // Windows adds list entries without selecting one; the first selection is the dialog's.
    combo->setCurrentIndex(-1);
    return combo;
}

QWidget* CreateStatic(const ControlTemplate& control, QWidget* parent) {
    auto* label = new QLabel(parent);
    if ((control.style & SS_TYPEMASK) == SS_BITMAP) {
        label->setPixmap(LoadPixmap(control.imageId));
        return label;
    }
    label->setTextFormat(Qt::PlainText);
    label->setText((control.style & SS_NOPREFIX) ? FromUtf8(control.text)
                                                 : WithoutPrefixMarks(control.text));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QWidget* CreateControl(const DialogTemplate& dialog, const ControlTemplate& control,
                       QWidget* parent) {
    switch (control.cls) {
        case ControlClass::Button:
            return CreateButton(control, parent);
        case ControlClass::Edit:
            return CreateEdit(control, parent);
        case ControlClass::ComboBox:
            return CreateComboBox(dialog, control, parent);
        case ControlClass::Static:
            return CreateStatic(control, parent);
    }
    return nullptr;
}

// A combo box's template height includes its dropped-down list; the closed box takes its own
// height and the rest tells how many entries the list shows.
void PlaceComboBox(QComboBox* combo, const QRect& withList) {
    const int closedHeight = combo->sizeHint().height();
    combo->setGeometry(withList.x(), withList.y(), withList.width(), closedHeight);
    const int entryHeight = std::max(1, combo->fontMetrics().height());
    combo->setMaxVisibleItems(std::max(1, (withList.height() - closedHeight) / entryHeight));
}

void PlaceLabel(QLabel* label, const QRect& pixels) {
    if (!label->pixmap().isNull()) {
        // A picture static takes the size of its picture, not the size in the template.
        label->setGeometry(
            QRect(pixels.topLeft(), label->pixmap().deviceIndependentSize().toSize()));
        return;
    }
    // Text wraps at words where the template gives room for more than one line. A one-line label
    // grows to its text instead: the sans-serif faces here set capitals wider, against the average
    // letter width, than the Windows dialog fonts the layout was measured with, and a wrapped
    // second line would be cut off.
    const QFontMetrics metrics = label->fontMetrics();
    const bool oneLine = pixels.height() < 2 * metrics.height();
    label->setWordWrap(!oneLine);
    QRect placed = pixels;
    if (oneLine) {
        placed.setWidth(std::max(pixels.width(), metrics.horizontalAdvance(label->text())));
    }
    label->setGeometry(placed);
}

void Place(QWidget* widget, const ControlTemplate& control, DialogBaseUnits base) {
    const QRect pixels =
        DialogUnitsToPixels(QRect(control.x, control.y, control.cx, control.cy), base);
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        PlaceComboBox(combo, pixels);
        return;
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        PlaceLabel(label, pixels);
        return;
    }
    widget->setGeometry(pixels);
}

Qt::FocusPolicy FocusPolicyOf(const ControlTemplate& control) {
    if (control.style & WS_TABSTOP) {
        return Qt::StrongFocus;
    }
    return control.cls == ControlClass::Static ? Qt::NoFocus : Qt::ClickFocus;
}

Qt::WindowFlags WindowFlagsOf(const DialogTemplate& dialog) {
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint;
    if ((dialog.style & WS_CAPTION) == WS_CAPTION) {
        flags |= Qt::WindowTitleHint;
    }
    if (dialog.style & WS_SYSMENU) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    }
    if (dialog.style & WS_MINIMIZEBOX) {
        flags |= Qt::WindowMinimizeButtonHint;
    }
    return flags;
}

}  // namespace

int MulDiv(int a, int b, int c) {
    if (c == 0) {
        return -1;
    }
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const std::int64_t magnitude = (std::llabs(product) + std::llabs(c) / 2) / std::llabs(c);
    return static_cast<int>(((product < 0) != (c < 0)) ? -magnitude : magnitude);
}

DialogBaseUnits BaseUnitsFromMetrics(int alphabetWidth, int fontHeight) {
    return {(alphabetWidth / 26 + 1) / 2, fontHeight};
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    return BaseUnitsFromMetrics(metrics.horizontalAdvance(QStringLiteral(
                                    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")),
                                metrics.height());
}

QRect DialogUnitsToPixels(const QRect& dialogUnits, DialogBaseUnits base) {
    return {MulDiv(dialogUnits.x(), base.x, 4), MulDiv(dialogUnits.y(), base.y, 8),
            MulDiv(dialogUnits.width(), base.x, 4), MulDiv(dialogUnits.height(), base.y, 8)};
}

QFont DialogFont(const DialogTemplate& dialog) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(dialog.pointSize);
    font.setWeight(dialog.weight > 0 ? static_cast<QFont::Weight>(dialog.weight) : QFont::Normal);
    font.setItalic(false);
    return font;
}

QWidget* DialogControls::Find(int id) const {
    if (id == kIdStatic) {
        return nullptr;
    }
    const auto found = std::ranges::find(entries_, id, &Entry::id);
    return found == entries_.end() ? nullptr : found->widget;
}

DialogControls BuildDialog(const DialogTemplate& dialog, QWidget* window) {
    window->setWindowFlags(WindowFlagsOf(dialog));
    window->setWindowTitle(FromUtf8(dialog.caption));
    window->setFont(DialogFont(dialog));

    DialogControls controls;
    controls.baseUnits_ = BaseUnitsOf(window->font());
    window->setFixedSize(
        DialogUnitsToPixels(QRect(0, 0, dialog.cx, dialog.cy), controls.baseUnits_).size());

    QWidget* previous = nullptr;
    for (const ControlTemplate& control : dialog.controls) {
        QWidget* widget = CreateControl(dialog, control, window);
        widget->setObjectName(FromUtf8(Resources().symbolName(control.id)));
        widget->setProperty(kControlIdProperty, control.id);
        widget->setFocusPolicy(FocusPolicyOf(control));
        Place(widget, control, controls.baseUnits_);
        widget->setVisible((control.style & WS_VISIBLE) != 0);
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, widget);
        }
        previous = widget;
        controls.entries_.push_back({control.id, widget});
    }
    return controls;
}

void SetButtonImage(QAbstractButton* button, const QPixmap& image) {
    if (image.isNull()) {
        button->setIcon(QIcon());
        return;
    }
    button->setIcon(QIcon(image));
    button->setIconSize(image.deviceIndependentSize().toSize());
}

}  // namespace platform::qt

#include "platform/gui/qt/dialog_builder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <memory>
#include <vector>

#include "platform/gui/graphics.h"
#include "platform/gui/qt/images.h"
#include "platform/gui/window_styles.h"
#include "res/dialog_templates.h"
#include "res/resource.h"

namespace {

using platform::BS_BITMAP;
using platform::BS_PUSHBUTTON;
using platform::SS_LEFT;
using platform::SS_NOPREFIX;
using platform::WS_CAPTION;
using platform::WS_CHILD;
using platform::WS_POPUP;
using platform::WS_TABSTOP;
using platform::WS_VISIBLE;
using platform::qt::DialogBaseUnits;

TEST(MulDiv, RoundsHalvesAwayFromZeroLikeWindows) {
    struct Case {
        int a, b, c, expected;
    };
    for (const Case& row :
         {Case{5, 7, 4, 9}, Case{6, 7, 4, 11}, Case{-6, 7, 4, -11}, Case{6, -7, 4, -11},
          Case{-6, -7, 4, 11}, Case{2, 3, -4, -2}, Case{0, 7, 4, 0}, Case{3, 5, 0, -1},
          Case{1 << 20, 1 << 20, 1 << 10, 1 << 30}}) {
        EXPECT_EQ(platform::qt::MulDiv(row.a, row.b, row.c), row.expected)
            << row.a << "*" << row.b << "/" << row.c;
    }
}

TEST(DialogUnits, AverageWidthIsRoundedFromTheAlphabetAsWindowsDoes) {
    // (width / 26 + 1) / 2: a width of 363 is 6.98 letters per 52 and still gives 7, 390 gives 8.
    struct Case {
        int alphabet, expectedX;
    };
    for (const Case& row :
         {Case{311, 6}, Case{312, 6}, Case{338, 7}, Case{363, 7}, Case{389, 7}, Case{390, 8}}) {
        EXPECT_EQ(platform::qt::BaseUnitsFromMetrics(row.alphabet, 15),
                  (DialogBaseUnits{row.expectedX, 15}))
            << row.alphabet;
    }
}

TEST(DialogUnits, EachFieldOfARectangleIsConvertedOnItsOwn) {
    const DialogBaseUnits base{7, 14};
    EXPECT_EQ(platform::qt::DialogUnitsToPixels(QRect(6, 6, 283, 33), base),
              QRect(11, 11, 495, 58));
    EXPECT_EQ(platform::qt::DialogUnitsToPixels(QRect(0, 0, 295, 166), base),
              QRect(0, 0, 516, 291));
    // 209 + 36 converted apart is 366 + 63, one pixel short of converting the right edge (429).
    EXPECT_EQ(platform::qt::DialogUnitsToPixels(QRect(209, 47, 36, 14), base),
              QRect(366, 82, 63, 25));
}

class BuiltDialog : public testing::Test {
  protected:
    void Build(int id) {
        dialogTemplate_ = res::FindDialogTemplate(id);
        ASSERT_NE(dialogTemplate_, nullptr);
        controls_ = platform::qt::BuildDialog(*dialogTemplate_, &dialog_);
    }
    QRect Pixels(const platform::ControlTemplate& control) const {
        return platform::qt::DialogUnitsToPixels(
            QRect(control.x, control.y, control.cx, control.cy), controls_.BaseUnits());
    }

    QDialog dialog_;
    const platform::DialogTemplate* dialogTemplate_ = nullptr;
    platform::qt::DialogControls controls_;
};

TEST_F(BuiltDialog, CreatesEveryControlAsAChildInTemplateOrder) {
    Build(IDD_MAIN);
    const auto children = dialog_.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(children.size(), static_cast<qsizetype>(dialogTemplate_->controls.size()));
    ASSERT_EQ(controls_.InOrder().size(), dialogTemplate_->controls.size());
    for (std::size_t i = 0; i < controls_.InOrder().size(); ++i) {
        const int id = dialogTemplate_->controls[i].id;
        QWidget* widget = controls_.InOrder()[i].widget;
        EXPECT_EQ(children[static_cast<qsizetype>(i)], widget) << i;
        EXPECT_EQ(controls_.InOrder()[i].id, id);
        EXPECT_EQ(widget->property(platform::qt::kControlIdProperty).toInt(), id);
        EXPECT_FALSE(widget->objectName().isEmpty());
        EXPECT_EQ(widget->objectName().toStdString(), res::ResourceSymbolName(id));
        if (id != IDC_STATIC) {
            EXPECT_EQ(controls_.Find(id), widget) << id;
        }
    }
    EXPECT_EQ(controls_.Find(IDC_STATIC), nullptr);
    EXPECT_EQ(controls_.Find(IDCANCEL), nullptr);
    EXPECT_NE(controls_.Find<QComboBox>(IDC_COMBO_PORT), nullptr);
    EXPECT_EQ(controls_.Find<QComboBox>(IDC_BTN_OPEN), nullptr);
}

TEST_F(BuiltDialog, HiddenControlsStayHiddenWhenTheDialogIsShown) {
    Build(IDD_MAIN);
    dialog_.show();
    QApplication::processEvents();
    for (std::size_t i = 0; i < controls_.InOrder().size(); ++i) {
        const bool visible = (dialogTemplate_->controls[i].style & WS_VISIBLE) != 0;
        EXPECT_EQ(controls_.InOrder()[i].widget->isVisible(), visible) << controls_.InOrder()[i].id;
    }
    dialog_.hide();
    dialog_.show();
    QApplication::processEvents();
    EXPECT_FALSE(controls_.Find(IDC_EDIT_STATUS)->isVisible());
    EXPECT_FALSE(controls_.Find(IDOK)->isVisible());
}

TEST_F(BuiltDialog, ClientAreaAndControlsAreLaidOutInConvertedDialogUnits) {
    Build(IDD_MAIN);
    const DialogBaseUnits base = platform::qt::BaseUnitsOf(dialog_.font());
    EXPECT_EQ(controls_.BaseUnits(), base);
    EXPECT_GT(base.x, 0);
    EXPECT_GT(base.y, 0);
    const QSize client = platform::qt::DialogUnitsToPixels(QRect(0, 0, 295, 166), base).size();
    EXPECT_EQ(dialog_.minimumSize(), client);
    EXPECT_EQ(dialog_.maximumSize(), client);
    EXPECT_EQ(dialog_.font().pointSize(), 9);

    for (std::size_t i = 0; i < controls_.InOrder().size(); ++i) {
        const platform::ControlTemplate& control = dialogTemplate_->controls[i];
        const QWidget* widget = controls_.InOrder()[i].widget;
        SCOPED_TRACE(i);
        EXPECT_EQ(widget->pos(), Pixels(control).topLeft());
        if (control.cls == platform::ControlClass::ComboBox) {
            EXPECT_EQ(widget->width(), Pixels(control).width());
            EXPECT_LT(widget->height(), Pixels(control).height());  // the list drops below
        } else if (control.imageId != 0) {
            EXPECT_EQ(widget->size(), platform::qt::LoadPixmap(control.imageId).size());
        } else if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            // One-line labels show their whole text, however wide the font sets it.
            EXPECT_EQ(widget->height(), Pixels(control).height());
            EXPECT_GE(widget->width(), Pixels(control).width());
            EXPECT_GE(widget->width(), label->fontMetrics().horizontalAdvance(label->text()));
            EXPECT_FALSE(label->wordWrap());
        } else {
            EXPECT_EQ(widget->size(), Pixels(control).size());
        }
    }
}

TEST_F(BuiltDialog, TitleBarOffersMinimiseAndCloseButNeverMaximise) {
    Build(IDD_MAIN);
    EXPECT_EQ(dialog_.windowTitle(), QStringLiteral("::: Brelix - Velmora 2.0  :::"));
    EXPECT_TRUE(dialog_.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(dialog_.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(dialog_.windowFlags() & Qt::WindowMaximizeButtonHint);

    QDialog about;
    platform::qt::BuildDialog(*res::FindDialogTemplate(IDD_ABOUTBOX), &about);
    EXPECT_FALSE(about.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(about.windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(BuiltDialog, ListsAreFilledWithNothingSelectedYet) {
    Build(IDD_MAIN);
    for (int id : {IDC_COMBO_PORT, IDC_COMBO_BAUD, IDC_COMBO_DATABITS, IDC_COMBO_STOPBITS,
                   IDC_COMBO_PARITY}) {
        auto* combo = controls_.Find<QComboBox>(id);
        ASSERT_NE(combo, nullptr) << id;
        const auto entries = platform::FindListEntries(*dialogTemplate_, id);
        ASSERT_EQ(combo->count(), static_cast<int>(entries.size())) << id;
        for (int i = 0; i < combo->count(); ++i) {
            EXPECT_EQ(combo->itemText(i).toStdString(), entries[static_cast<std::size_t>(i)]);
        }
        EXPECT_EQ(combo->currentIndex(), -1) << id;
        EXPECT_FALSE(combo->isEditable()) << id;
    }
    auto* port = controls_.Find<QComboBox>(IDC_COMBO_PORT);
    port->setCurrentIndex(0);
    EXPECT_EQ(port->currentText(), QStringLiteral("COM1"));
}

TEST_F(BuiltDialog, TabStopsTakeKeyboardFocusOthersOnlyClicks) {
    Build(IDD_MAIN);
    for (std::size_t i = 0; i < controls_.InOrder().size(); ++i) {
        const platform::ControlTemplate& control = dialogTemplate_->controls[i];
        const Qt::FocusPolicy expected = (control.style & WS_TABSTOP) ? Qt::StrongFocus
                                         : control.cls == platform::ControlClass::Static
                                             ? Qt::NoFocus
                                             : Qt::ClickFocus;
        EXPECT_EQ(controls_.InOrder()[i].widget->focusPolicy(), expected) << control.id;
    }
}

TEST_F(BuiltDialog, FocusChainFollowsTemplateOrder) {
    Build(IDD_MAIN);
    std::vector<QWidget*> chain;
    QWidget* widget = controls_.InOrder().front().widget;
    do {
        if (widget->parentWidget() == &dialog_) {
            chain.push_back(widget);
        }
        widget = widget->nextInFocusChain();
    } while (widget != controls_.InOrder().front().widget && chain.size() < 100);
    ASSERT_EQ(chain.size(), controls_.InOrder().size());
    for (std::size_t i = 0; i < chain.size(); ++i) {
        EXPECT_EQ(chain[i], controls_.InOrder()[i].widget) << i;
    }
}

TEST_F(BuiltDialog, ButtonsEditsAndPicturesFollowTheirStyles) {
    Build(IDD_MAIN);
    auto* open = controls_.Find<QPushButton>(IDC_BTN_OPEN);
    ASSERT_NE(open, nullptr);
    EXPECT_TRUE(open->text().isEmpty());
    EXPECT_EQ(open->accessibleName(), QStringLiteral("OPEN"));
    EXPECT_EQ(open->toolTip(), QStringLiteral("OPEN"));
    EXPECT_FALSE(open->isDefault());
    EXPECT_EQ(controls_.Find<QPushButton>(IDOK)->text(), QStringLiteral("Exit"));

    auto* lock = controls_.Find<QCheckBox>(IDC_CHK_LOCK);
    ASSERT_NE(lock, nullptr);
    EXPECT_EQ(lock->text(), QStringLiteral("LOCK"));
    EXPECT_EQ(lock->layoutDirection(), Qt::RightToLeft);  // the text stands left of the box
    EXPECT_FALSE(lock->isChecked());

    EXPECT_TRUE(controls_.Find<QLineEdit>(IDC_EDIT_HOMEPAGE)->hasFrame());
    EXPECT_FALSE(controls_.Find<QLineEdit>(IDC_EDIT_HOMEPAGE)->isReadOnly());
    EXPECT_FALSE(controls_.Find<QLineEdit>(IDC_EDIT_STATUS)->hasFrame());
    EXPECT_TRUE(controls_.Find<QLineEdit>(IDC_EDIT_STATUS)->isReadOnly());

    auto* lamp = controls_.Find<QLabel>(IDC_STATIC_LAMP);
    ASSERT_NE(lamp, nullptr);
    EXPECT_EQ(lamp->pixmap().size(), QSize(18, 12));
}

TEST_F(BuiltDialog, AboutBoxHasItsCaptionLineAndDefaultOk) {
    Build(IDD_ABOUTBOX);
    EXPECT_EQ(dialog_.windowTitle(), QStringLiteral("  Velmora INFO."));
    auto* ok = controls_.Find<QPushButton>(IDOK);
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    auto* line = qobject_cast<QLabel*>(controls_.InOrder().front().widget);
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->text().contains(QStringLiteral(VELMORA_VERSION)));
    EXPECT_EQ(line->focusPolicy(), Qt::NoFocus);
}

TEST(DialogBuilder, StaticTextShowsAmpersandsAndWrapsAsWindowsDoes) {
    constexpr std::uint32_t kLabel = WS_CHILD | WS_VISIBLE | SS_LEFT;
    constexpr platform::ControlTemplate controls[] = {
        {IDC_STATIC, platform::ControlClass::Static, "Save && &Quit", kLabel, 0, 0, 60, 8, 0},
        {IDC_STATIC, platform::ControlClass::Static, "Save && &Quit", kLabel | SS_NOPREFIX, 0, 10,
         60, 8, 0},
        {IDC_STATIC, platform::ControlClass::Static, "trailing &", kLabel, 0, 20, 60, 8, 0},
        {IDOK, platform::ControlClass::Button, "&Go",
         WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | BS_BITMAP, 0, 30, 40, 14, 0},
        {IDC_STATIC, platform::ControlClass::Static, "a text long enough to wrap", kLabel, 0, 50,
         30, 24, 0},
    };
    const platform::DialogTemplate dialogTemplate{
        100, WS_POPUP | WS_CAPTION, 0, 0, 0, 80, 50, "MS Shell Dlg", 9, 400, "Test", controls, {}};
    QDialog dialog;
    const platform::qt::DialogControls built = platform::qt::BuildDialog(dialogTemplate, &dialog);
    const auto text = [&](std::size_t i) {
        return qobject_cast<QLabel*>(built.InOrder()[i].widget)->text();
    };
    EXPECT_EQ(text(0), QStringLiteral("Save & Quit"));
    EXPECT_EQ(text(1), QStringLiteral("Save && &Quit"));
    EXPECT_EQ(text(2), QStringLiteral("trailing "));
    EXPECT_EQ(built.Find(IDOK)->accessibleName(), QStringLiteral("Go"));
    const auto* tall = qobject_cast<QLabel*>(built.InOrder()[4].widget);
    EXPECT_TRUE(tall->wordWrap());
    EXPECT_EQ(tall->width(), platform::qt::MulDiv(30, built.BaseUnits().x, 4));
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);  // no WS_SYSMENU
}

TEST(DialogBuilder, ButtonImageShowsAtItsOwnSizeAndCanBeTakenAway) {
    QPushButton button;
    platform::qt::SetButtonImage(&button, platform::qt::LoadPixmap(IDB_TAG_READ));
    EXPECT_FALSE(button.icon().isNull());
    EXPECT_EQ(button.iconSize(), QSize(95, 36));
    platform::qt::SetButtonImage(&button, QPixmap());
    EXPECT_TRUE(button.icon().isNull());
}

}  // namespace

// The main dialog as the operator first meets it: what shows, what the keyboard does, the
// limits of the two text fields, the About box and leaving the program.

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "dialog_fixture.h"
#include "platform/gui/qt/window_services.h"
#include "res/resource.h"
#include "support/process_counts.h"

namespace {

using testsupport::DialogTest;

class MainDialogTest : public DialogTest {
  protected:
    // The widget that has the focus after each of `presses` Tab keys.
    std::vector<QWidget*> TabWalk(QWidget* from, int presses) {
        Window().activateWindow();
        QApplication::setActiveWindow(&Window());
        from->setFocus(Qt::OtherFocusReason);
        std::vector<QWidget*> visited;
        for (int i = 0; i < presses; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited.push_back(QApplication::focusWidget());
        }
        return visited;
    }
};

TEST_F(MainDialogTest, FirstShowOffersComOneAndKeepsTheTagGroupDisabled) {
    QComboBox* ports = Combo(IDC_COMBO_PORT);
    ASSERT_EQ(ports->count(), 50);
    EXPECT_EQ(ports->currentText(), "COM1");
    EXPECT_EQ(ports->itemText(49), "COM50");
    EXPECT_FALSE(qobject_cast<QCheckBox*>(Item(IDC_CHK_LOCK))->isChecked());
    EXPECT_TRUE(Edit(IDC_EDIT_HOMEPAGE)->text().isEmpty());
    EXPECT_TRUE(Edit(IDC_EDIT_TABLE_INFO)->text().isEmpty());
    EXPECT_TRUE(TagControlsDisabled());
    for (int id : {IDC_BTN_OPEN, IDC_BTN_CLOSE}) {
        EXPECT_TRUE(Item(id)->isEnabled());
        EXPECT_TRUE(Item(id)->isVisible());
        EXPECT_FALSE(ButtonItem(id)->icon().isNull()) << id;
        EXPECT_FALSE(Item(id)->accessibleName().isEmpty()) << id;
    }
    EXPECT_EQ(m_dlg->GetSafeHwnd(), g_hMainWnd.load());
    EXPECT_FALSE(Window().windowIcon().isNull());
    EXPECT_EQ(platform::qt::ToQIcon(m_dlg->OnQueryDragIcon()).pixmap(32).toImage(),
              Window().windowIcon().pixmap(32).toImage());
}

TEST_F(MainDialogTest, HiddenControlsNeverShow) {
    const int hidden[] = {IDC_COMBO_BAUD,   IDC_COMBO_DATABITS, IDC_COMBO_STOPBITS,
                          IDC_COMBO_PARITY, IDC_EDIT_SPARE1,    IDC_EDIT_SPARE2,
                          IDC_EDIT_STATUS,  IDC_STATIC_LAMP,    IDOK};
    m_dlg->SetTagControlsEnabled(true);
    Window().hide();
    Window().show();
    for (int id : hidden) {
        ASSERT_NE(Item(id), nullptr) << id;
        EXPECT_FALSE(Item(id)->isVisible()) << id;
    }
    // The hidden lists still hold the selections that fix the line settings.
    EXPECT_EQ(Combo(IDC_COMBO_BAUD)->currentIndex(), 2);
    EXPECT_EQ(Combo(IDC_COMBO_DATABITS)->currentIndex(), 3);
    EXPECT_EQ(Combo(IDC_COMBO_PARITY)->currentIndex(), 2);
    EXPECT_EQ(Combo(IDC_COMBO_STOPBITS)->currentIndex(), 0);
}

TEST_F(MainDialogTest, TabVisitsOnlyTheThreeTabStops) {
    m_dlg->SetTagControlsEnabled(true);
    const auto visited = TabWalk(Edit(IDC_EDIT_HOMEPAGE), 6);
    const std::vector<QWidget*> expected{Item(IDC_CHK_LOCK),        Item(IDC_EDIT_TABLE_INFO),
                                         Item(IDC_EDIT_HOMEPAGE),   Item(IDC_CHK_LOCK),
                                         Item(IDC_EDIT_TABLE_INFO), Item(IDC_EDIT_HOMEPAGE)};
    EXPECT_EQ(visited, expected);
}

TEST_F(MainDialogTest, ScreenReadersNameTheTextFieldsByTheirLabels) {
    const struct {
        int id;
        QString name;
    } rows[] = {{IDC_EDIT_HOMEPAGE, "HOMEPAGE(http://) Only"}, {IDC_EDIT_TABLE_INFO, "TABLE INFO"}};
    for (const auto& row : rows) {
        QAccessibleInterface* field = QAccessible::queryAccessibleInterface(Item(row.id));
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->text(QAccessible::Name), row.name);
        EXPECT_EQ(field->role(), QAccessible::EditableText);
    }
}

TEST_F(MainDialogTest, TextFieldsStopTypingAndPastingAtTheirLimits) {
    m_dlg->SetTagControlsEnabled(true);
    struct Case {
        int id;
        int limit;
    };
    for (const Case c : {Case{IDC_EDIT_HOMEPAGE, 60}, Case{IDC_EDIT_TABLE_INFO, 12}}) {
        QLineEdit* edit = Edit(c.id);
        edit->setFocus();
        QTest::keyClicks(edit, QString(c.limit + 1, 'x'));
        EXPECT_EQ(edit->text().size(), c.limit) << "typed into " << c.id;

        edit->clear();
        QApplication::clipboard()->setText(QString(c.limit + 1, 'p'));
        edit->paste();
        EXPECT_EQ(edit->text(), QString(c.limit, 'p')) << "what fits of a paste, into " << c.id;

        // Characters that would end or start a frame on the wire never get in.
        QApplication::clipboard()->setText(
            QStringLiteral("a\x01"
                           "b\x04"));
        edit->paste();
        QKeyEvent del(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x7F)));
        QApplication::sendEvent(edit, &del);
        EXPECT_FALSE(edit->text().contains(QChar(0x01)));
        EXPECT_FALSE(edit->text().contains(QChar(0x04)));
        EXPECT_FALSE(edit->text().contains(QChar(0x7F)));
    }
}

TEST_F(MainDialogTest, ProgramTextLongerThanTheLimitStaysWholeAndCanBeShortened) {
    m_dlg->SetTagControlsEnabled(true);
    m_dlg->m_strHomepage = std::string(70, 'h');
    m_dlg->UpdateData(false);
    QLineEdit* edit = Edit(IDC_EDIT_HOMEPAGE);
    EXPECT_EQ(edit->text().size(), 70);
    edit->setFocus();
    edit->end(false);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text().size(), 69);
    QTest::keyClick(edit, Qt::Key_Z);
    EXPECT_EQ(edit->text().size(), 69) << "still over the limit: no growth";
}

TEST_F(MainDialogTest, FailedExchangeWarnsFocusesTheBoxAndLeavesLaterMembers) {
    m_dlg->SetTagControlsEnabled(true);
    m_dlg->m_strHomepage = std::string(61, 'h');
    m_dlg->m_strTableInfo = "before";
    m_dlg->m_bLock = 0;
    m_dlg->UpdateData(false);
    Edit(IDC_EDIT_TABLE_INFO)->setText("after");
    qobject_cast<QCheckBox*>(Item(IDC_CHK_LOCK))->setChecked(true);
    Window().activateWindow();
    QApplication::setActiveWindow(&Window());

    EXPECT_FALSE(m_dlg->UpdateData(true));
    EXPECT_EQ(m_boxes->Texts().size(), 1u);
    EXPECT_EQ(QApplication::focusWidget(), Item(IDC_EDIT_HOMEPAGE));
    EXPECT_EQ(m_dlg->m_strHomepage.size(), 61u);
    EXPECT_EQ(m_dlg->m_strTableInfo, "before");
    EXPECT_EQ(m_dlg->m_bLock, 0);
}

TEST_F(MainDialogTest, EnterAndEscapeDoNothingInAnyControl) {
    StartReader("COM1");
    m_dlg->SetTagControlsEnabled(true);
    Window().activateWindow();
    QApplication::setActiveWindow(&Window());
    for (int id : {IDC_BTN_OPEN, IDC_COMBO_PORT, IDC_BTN_CLOSE, IDC_EDIT_HOMEPAGE, IDC_CHK_LOCK,
                   IDC_EDIT_TABLE_INFO, IDC_BTN_READ, IDC_BTN_START_TAG, IDC_BTN_CANCEL_TAG,
                   IDC_BTN_WRITE}) {
        Item(id)->setFocus();
        QTest::keyClick(Item(id), Qt::Key_Return);
        QTest::keyClick(Item(id), Qt::Key_Enter);
        QTest::keyClick(Item(id), Qt::Key_Escape);
        EXPECT_TRUE(Window().isVisible()) << id;
    }
    EXPECT_TRUE(StatusText().empty()) << "no button was pressed";
    EXPECT_TRUE(m_boxes->Texts().empty());
    EXPECT_TRUE(m_reader->Frames().empty());
    EXPECT_EQ(m_dlg->m_comm.m_bConnected, 0);
}

TEST_F(MainDialogTest, SystemMenuEndsWithTheAboutItemAndOpensTheAboutBox) {
    ASSERT_NE(m_dlg->GetSystemMenu(false), nullptr);
    const QList<QAction*> actions = platform::qt::SystemMenuOf(*m_dlg).actions();
    ASSERT_GE(actions.size(), 2);
    EXPECT_TRUE(actions[actions.size() - 2]->isSeparator());
    EXPECT_EQ(actions.back()->text(), "Velmora Info(&A)...");

    // Any command whose low bits fall in the About item's range opens it; Enter closes it.
    for (unsigned command : {0x0010u, 0x0013u}) {
        QString caption;
        QTimer::singleShot(0, [&caption] {
            QWidget* about = QApplication::activeModalWidget();
            ASSERT_NE(about, nullptr);
            caption = about->windowTitle();
            QTest::keyClick(about, Qt::Key_Return);
        });
        m_dlg->OnSysCommand(command, 0);
        EXPECT_EQ(caption, "  Velmora INFO.");
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_TRUE(Window().isVisible());
    }
}

TEST_F(MainDialogTest, SystemMenuOpensFromTheMouseAndTheKeyboard) {
    QMenu& menu = platform::qt::SystemMenuOf(*m_dlg);
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5),
                            Window().mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&Window(), &click);
    EXPECT_TRUE(menu.isVisible()) << "right-click on a free area";
    menu.hide();
    QTest::keyClick(Item(IDC_BTN_OPEN), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(menu.isVisible()) << "Shift+F10";
    menu.hide();
}

// Message boxes: modal, OK only, captioned with the application's name.
TEST(MessageBoxes, AreModalWithOkOnlyAndTheApplicationsName) {
    platform::qt::QtMessageBox boxes;
    QString caption;
    QString text;
    int buttons = 0;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        caption = box->windowTitle();
        text = box->text();
        buttons = static_cast<int>(box->buttons().size());
        box->button(QMessageBox::Ok)->click();
    });
    boxes.Show("HOMEPAGE WRITE SUCCESS.");
    EXPECT_EQ(caption, QApplication::applicationName());
    EXPECT_EQ(text, "HOMEPAGE WRITE SUCCESS.");
    EXPECT_EQ(buttons, 1);
}

TEST_F(MainDialogTest, CloseCommandEndsTheDialogWithCancel) {
    m_dlg->OnSysCommand(platform::SC_CLOSE, 0);
    EXPECT_FALSE(Window().isVisible());
    EXPECT_EQ(m_dlg->Result(), IDCANCEL);
}

TEST(IconicPaint, IconIsCentredWithTruncatingDivision) {
    EXPECT_EQ(CMirovanDlg::IconicIconOrigin({200, 101}, {32, 32}), (platform::Point{84, 35}));
    EXPECT_EQ(CMirovanDlg::IconicIconOrigin({30, 101}, {32, 32}).x, 0);
}

TEST_F(MainDialogTest, LeavingWithThePortOpenEndsTheWatchThread) {
    StartReader("COM1");
    OpenPort(0);
    ASSERT_EQ(m_dlg->m_comm.m_bConnected, 1);
    EXPECT_TRUE(testsupport::WatchThreadsComeTo(1));

    Window().close();
    EXPECT_FALSE(Window().isVisible());
    m_dlg.reset();
    EXPECT_TRUE(testsupport::WatchThreadsComeTo(0));
}

}  // namespace

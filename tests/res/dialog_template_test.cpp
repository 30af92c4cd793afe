#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "res/dialog_template.h"
#include "res/images.h"
#include "res/resource.h"
#include "res/window_styles.h"

namespace {

using res::ControlClass;

const res::DialogTemplate& Main() {
    return *res::FindDialogTemplate(IDD_MAIN);
}

std::vector<int> IdsWhere(const res::DialogTemplate& dialog,
                          bool (*keep)(const res::ControlTemplate&)) {
    std::vector<int> ids;
    for (const res::ControlTemplate& control : dialog.controls) {
        if (keep(control)) {
            ids.push_back(control.id);
        }
    }
    return ids;
}

bool Visible(const res::ControlTemplate& c) {
    return (c.style & WS_VISIBLE) != 0;
}

TEST(DialogTemplates, AreFoundByTheirIdentifiersOnly) {
    ASSERT_NE(res::FindDialogTemplate(IDD_MAIN), nullptr);
    ASSERT_NE(res::FindDialogTemplate(IDD_ABOUTBOX), nullptr);
    EXPECT_EQ(Main().id, IDD_MAIN);
    EXPECT_EQ(res::FindDialogTemplate(IDD_ABOUTBOX)->id, IDD_ABOUTBOX);
    for (int id : {0, IDS_ABOUTBOX, IDR_MAINFRAME, IDC_STATIC}) {
        EXPECT_EQ(res::FindDialogTemplate(id), nullptr) << id;
    }
}

TEST(MainTemplate, ControlsComeInCreationAndTabOrder) {
    const std::vector<int> expected{IDC_BTN_OPEN,
                                    IDC_COMBO_PORT,
                                    IDC_BTN_CLOSE,
                                    IDC_EDIT_HOMEPAGE,
                                    IDC_CHK_LOCK,
                                    IDC_EDIT_TABLE_INFO,
                                    IDC_BTN_READ,
                                    IDC_BTN_START_TAG,
                                    IDC_BTN_CANCEL_TAG,
                                    IDC_BTN_WRITE,
                                    IDOK,
                                    IDC_COMBO_BAUD,
                                    IDC_COMBO_DATABITS,
                                    IDC_COMBO_STOPBITS,
                                    IDC_COMBO_PARITY,
                                    IDC_EDIT_SPARE1,
                                    IDC_STATIC,
                                    IDC_EDIT_SPARE2,
                                    IDC_EDIT_STATUS,
                                    IDC_STATIC_LAMP,
                                    IDC_STATIC,
                                    IDC_STATIC,
                                    IDC_STATIC,
                                    IDC_STATIC,
                                    IDC_STATIC};
    EXPECT_EQ(IdsWhere(Main(), [](const res::ControlTemplate&) { return true; }), expected);
}

TEST(MainTemplate, OnlyTheOperatorsControlsAreVisible) {
    const std::vector<int> hidden = IdsWhere(Main(), [](const auto& c) { return !Visible(c); });
    EXPECT_EQ(hidden, (std::vector<int>{IDOK, IDC_COMBO_BAUD, IDC_COMBO_DATABITS,
                                        IDC_COMBO_STOPBITS, IDC_COMBO_PARITY, IDC_EDIT_SPARE1,
                                        IDC_EDIT_SPARE2, IDC_EDIT_STATUS, IDC_STATIC_LAMP}));
    const auto visibleStatics = std::ranges::count_if(
        Main().controls, [](const auto& c) { return Visible(c) && c.cls == ControlClass::Static; });
    EXPECT_EQ(visibleStatics, 6);
}

TEST(MainTemplate, TabVisitsOnlyTheTwoTextBoxesAndLock) {
    const std::vector<int> stops =
        IdsWhere(Main(), [](const auto& c) { return Visible(c) && (c.style & WS_TABSTOP) != 0; });
    EXPECT_EQ(stops, (std::vector<int>{IDC_EDIT_HOMEPAGE, IDC_CHK_LOCK, IDC_EDIT_TABLE_INFO}));
}

TEST(MainTemplate, EveryControlIsAChildAndEveryIdentifierIsUnique) {
    std::set<int> seen;
    for (const res::ControlTemplate& control : Main().controls) {
        EXPECT_NE(control.style & WS_CHILD, 0u) << control.id;
        if (control.id != IDC_STATIC) {
            EXPECT_TRUE(seen.insert(control.id).second) << control.id;
        }
    }
}

TEST(MainTemplate, ImageButtonsAreTheSixCommandButtons) {
    const std::vector<int> images = IdsWhere(Main(), [](const auto& c) {
        return c.cls == ControlClass::Button && (c.style & BS_BITMAP) != 0;
    });
    EXPECT_EQ(images, (std::vector<int>{IDC_BTN_OPEN, IDC_BTN_CLOSE, IDC_BTN_READ,
                                        IDC_BTN_START_TAG, IDC_BTN_CANCEL_TAG, IDC_BTN_WRITE}));
}

TEST(MainTemplate, PictureStaticsNameBitmapsThatLoad) {
    int pictures = 0;
    for (const res::ControlTemplate& control : Main().controls) {
        if (control.cls == ControlClass::Static && (control.style & SS_TYPEMASK) == SS_BITMAP) {
            ++pictures;
            EXPECT_FALSE(res::LoadBitmap(control.imageId).isNull()) << control.imageId;
        } else {
            EXPECT_EQ(control.imageId, 0) << control.id;
        }
    }
    EXPECT_EQ(pictures, 4);
}

TEST(MainTemplate, EveryComboBoxHasListDataAndNoListIsOrphaned) {
    for (const res::ControlTemplate& control : Main().controls) {
        if (control.cls == ControlClass::ComboBox) {
            EXPECT_FALSE(res::FindListEntries(Main(), control.id).empty()) << control.id;
            EXPECT_EQ(control.style & 0x3u, CBS_DROPDOWNLIST) << control.id;
        }
    }
    for (const res::ListData& list : Main().lists) {
        EXPECT_TRUE(std::ranges::any_of(Main().controls, [&](const auto& c) {
            return c.id == list.controlId && c.cls == ControlClass::ComboBox;
        })) << list.controlId;
    }
    EXPECT_TRUE(res::FindListEntries(Main(), IDC_EDIT_HOMEPAGE).empty());
}

TEST(MainTemplate, PortListIsCom1ToCom50) {
    const auto ports = res::FindListEntries(Main(), IDC_COMBO_PORT);
    ASSERT_EQ(ports.size(), 50u);
    for (std::size_t i = 0; i < ports.size(); ++i) {
        EXPECT_EQ(ports[i], "COM" + std::to_string(i + 1));
    }
}

TEST(MainTemplate, HiddenLineSettingListsHoldTheirEntriesInOrder) {
    using Entries = std::vector<std::string_view>;
    const auto entries = [](int id) {
        const auto list = res::FindListEntries(Main(), id);
        return Entries(list.begin(), list.end());
    };
    EXPECT_EQ(entries(IDC_COMBO_BAUD),
              (Entries{"2400", "4800", "9600", "14400", "19200", "38400", "57600", "115200"}));
    EXPECT_EQ(entries(IDC_COMBO_DATABITS), (Entries{"5 bit", "6 bit", "7 bit", "8 bit"}));
    EXPECT_EQ(entries(IDC_COMBO_STOPBITS), (Entries{"2", "1"}));
    EXPECT_EQ(entries(IDC_COMBO_PARITY), (Entries{"even", "odd", "none"}));
}

TEST(StringTable, HoldsOnlyTheAboutItem) {
    EXPECT_EQ(res::LoadString(IDS_ABOUTBOX), "Velmora Info(&A)...");
    for (int id : {0, IDD_ABOUTBOX, IDD_MAIN, 0xE000}) {
        EXPECT_TRUE(res::LoadString(id).empty()) << id;
    }
}

TEST(ResourceSymbols, NamesAndValuesAreUnique) {
    std::set<int> values;
    std::set<std::string_view> names;
    for (const res::ResourceSymbol& symbol : res::kResourceSymbols) {
        EXPECT_TRUE(values.insert(symbol.value).second) << symbol.name;
        EXPECT_TRUE(names.insert(symbol.name).second) << symbol.name;
    }
    static_assert(res::ResourceSymbolName(IDC_BTN_OPEN) == "IDC_BTN_OPEN");
    static_assert(res::ResourceSymbolName(IDC_STATIC) == "IDC_STATIC");
    static_assert(res::ResourceSymbolName(12345).empty());
}

}  // namespace

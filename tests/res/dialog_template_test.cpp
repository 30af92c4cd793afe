#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "platform/gui/graphics.h"
#include "platform/gui/qt/images.h"
#include "platform/gui/window_styles.h"
#include "res/dialog_templates.h"
#include "res/resource.h"

namespace {

using platform::CBS_DROPDOWNLIST;
using platform::ControlClass;
using platform::SS_BITMAP;
using platform::SS_TYPEMASK;
using platform::WS_CHILD;

const platform::DialogTemplate& Main() {
    return *res::FindDialogTemplate(IDD_MAIN);
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

TEST(MainTemplate, EveryControlIsAChildAndEveryIdentifierIsUnique) {
    std::set<int> seen;
    for (const platform::ControlTemplate& control : Main().controls) {
        EXPECT_NE(control.style & WS_CHILD, 0u) << control.id;
        if (control.id != IDC_STATIC) {
            EXPECT_TRUE(seen.insert(control.id).second) << control.id;
        }
    }
}

TEST(MainTemplate, PictureStaticsNameBitmapsThatLoad) {
    int pictures = 0;
    for (const platform::ControlTemplate& control : Main().controls) {
        if (control.cls == ControlClass::Static && (control.style & SS_TYPEMASK) == SS_BITMAP) {
            ++pictures;
            EXPECT_FALSE(platform::qt::LoadPixmap(control.imageId).isNull()) << control.imageId;
        } else {
            EXPECT_EQ(control.imageId, 0) << control.id;
        }
    }
    EXPECT_EQ(pictures, 4);
}

TEST(MainTemplate, EveryComboBoxHasListDataAndNoListIsOrphaned) {
    for (const platform::ControlTemplate& control : Main().controls) {
        if (control.cls == ControlClass::ComboBox) {
            EXPECT_FALSE(platform::FindListEntries(Main(), control.id).empty()) << control.id;
            EXPECT_EQ(control.style & 0x3u, CBS_DROPDOWNLIST) << control.id;
        }
    }
    for (const platform::ListData& list : Main().lists) {
        EXPECT_TRUE(std::ranges::any_of(Main().controls, [&](const auto& c) {
            return c.id == list.controlId && c.cls == ControlClass::ComboBox;
        })) << list.controlId;
    }
    EXPECT_TRUE(platform::FindListEntries(Main(), IDC_EDIT_HOMEPAGE).empty());
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

// What the five settings lists' selections mean on the line, the same on every platform.

#include <gtest/gtest.h>

#include "port/port_settings_map.h"
#include "res/dialog_templates.h"
#include "res/resource.h"

namespace {

TEST(ListMapping, EveryPortEntryNamesItsOwnPort) {
    const platform::DialogTemplate* main = res::FindDialogTemplate(IDD_MAIN);
    ASSERT_NE(main, nullptr);
    const auto entries = platform::FindListEntries(*main, IDC_COMBO_PORT);
    ASSERT_EQ(entries.size(), static_cast<std::size_t>(port::kPortCount));
    for (int i = 0; i < port::kPortCount; ++i) {
        EXPECT_EQ(entries[static_cast<std::size_t>(i)], port::PortNameForIndex(i));
    }
    EXPECT_EQ(port::PortNameForIndex(-1), "COM1");
}

TEST(ListMapping, HiddenListsGiveTheLineSettingsTheReaderNeeds) {
    EXPECT_EQ(port::BaudRateForIndex(2), 57600) << "the list says 9600; the reader needs 57600";
    EXPECT_EQ(port::BaudRateForIndex(6), 57600);
    EXPECT_EQ(port::BaudRateForIndex(-1), 57600);
    EXPECT_EQ(port::BaudRateForIndex(7), 115200);
    EXPECT_EQ(port::DataBitsForIndex(0), 5);
    EXPECT_EQ(port::DataBitsForIndex(-1), 8);
    EXPECT_EQ(port::StopBitsForIndex(0), 2);
    EXPECT_EQ(port::StopBitsForIndex(1), 0);
    EXPECT_EQ(port::StopBitsForIndex(2), std::nullopt);
    EXPECT_EQ(port::ParityForIndex(0), 2);
    EXPECT_EQ(port::ParityForIndex(1), 1);
    EXPECT_EQ(port::ParityForIndex(2), 0);
}

}  // namespace

// The settings file as Windows stores it: CRLF line ends, rewritten whole, and never into
// anything but a plain file. (That a planted symbolic link is not followed shows only on Windows:
// Wine does not present Unix links as reparse points.)

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/text_file.h"

namespace {

namespace fs = std::filesystem;

class TextFile : public ::testing::Test {
  protected:
    TextFile() : m_folder(fs::temp_directory_path() / "velmora-text-file-test") {
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
    }
    ~TextFile() override { fs::remove_all(m_folder); }

    static std::string Contents(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path m_folder;
};

TEST_F(TextFile, StoresCrLfAndLeavesNothingOfALongerEarlierText) {
    const fs::path file = m_folder / "port_info.txt";
    ASSERT_TRUE(platform::WriteTextFile(file.string(), "COM12\n57600\n8\nNone\n2\nlonger\n"));
    ASSERT_TRUE(platform::WriteTextFile(file.string(), "COM3\n57600\n"));
    EXPECT_EQ(Contents(file), "COM3\r\n57600\r\n");
}

TEST_F(TextFile, RefusesAFolderAtTheName) {
    const fs::path folder = m_folder / "port_info.txt";
    fs::create_directory(folder);
    EXPECT_FALSE(platform::WriteTextFile(folder.string(), "COM3\n"));
    EXPECT_TRUE(fs::is_directory(folder));
}

}  // namespace

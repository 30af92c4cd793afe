#pragma once
// Points XDG_CONFIG_HOME at a fresh temporary folder for the life of the object, so that tests
// never read or change the machine's device map. Restores the old value and removes the folder.

#include <filesystem>
#include <optional>
#include <string>

namespace testsupport {

class TempConfigHome {
  public:
    TempConfigHome();
    ~TempConfigHome();
    TempConfigHome(const TempConfigHome&) = delete;
    TempConfigHome& operator=(const TempConfigHome&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

  private:
    std::filesystem::path m_path;
    std::optional<std::string> m_previous;
};

}  // namespace testsupport

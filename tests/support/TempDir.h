#pragma once

#include <filesystem>
#include <string>

namespace vexmora::test {

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder as a UTF-8 text with a trailing '/'.
    std::string slashed() const { return path_.string() + "/"; }

private:
    std::filesystem::path path_;
};

} // namespace vexmora::test

#pragma once
// One fresh folder for a test under the system's temporary folder, made with
// mkdtemp so that test processes running side by side never share one, and
// removed with everything in it when the object ends (a folder a test made
// unwritable is made writable again first).
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace tonmark::test {

class TempFolder {
  public:
    // purpose names the folder ("tonmark-<purpose>-XXXXXX"), for whoever
    // finds one left behind by a crashed test.
    explicit TempFolder(const std::string& purpose = "test") {
        std::string pattern =
            (std::filesystem::temp_directory_path() / ("tonmark-" + purpose + "-XXXXXX")).string();
        if (!mkdtemp(pattern.data()))
            throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
        path_ = pattern;
    }
    ~TempFolder() {
        namespace fs = std::filesystem;
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(path_, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
            if (it->is_directory(ec) && !it->is_symlink(ec))
                fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const {
        return path_ / name;
    }

  private:
    std::filesystem::path path_;
};

} // namespace tonmark::test

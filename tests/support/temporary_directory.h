#pragma once
// A fresh directory for one test, removed with everything in it when the test ends.

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <stdexcept>
#include <string>
#include <system_error>

class TemporaryDirectory {
public:
    // Creates <temporary directory>/<prefix>XXXXXX; throws when that is not possible.
    explicit TemporaryDirectory(const std::string& prefix = "re2_test_") {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed for " + pattern);
        }
        m_path = pattern;
    }
    // A test may have taken its own rights away from a directory to see a refusal; they
    // are given back first, so that the removal is not refused in turn.
    ~TemporaryDirectory() {
        GiveOwnerRights(m_path);
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    // Without a trailing '/'.
    const std::string& Path() const { return m_path; }
    std::string PathOf(const std::string& name) const { return m_path + "/" + name; }
    // Files, links and directories directly in it.
    std::size_t EntryCount() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(m_path),
                                                      std::filesystem::directory_iterator()));
    }

private:
    static void GiveOwnerRights(const std::filesystem::path& directory) {
        std::error_code ec;
        std::filesystem::permissions(directory, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        for (std::filesystem::directory_iterator it(directory, ec), end; !ec && it != end;
             it.increment(ec)) {
            if (it->is_directory(ec) && !it->is_symlink(ec)) {
                GiveOwnerRights(it->path());
            }
        }
    }

    std::string m_path;
};

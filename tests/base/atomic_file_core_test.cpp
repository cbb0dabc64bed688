// A saved file keeps what it had, in a folder whose default ACL would give a new file other
// entries: its mode with the set-user-ID, set-group-ID and sticky bits, and its access ACL
// (none when it had none). A new file gets what a plain open gives it there.

#include "base/atomic_file.h"

#include "tests/support/file_bytes.h"
#include "tests/support/temporary_directory.h"

#include <acl/libacl.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/acl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Names a user other than the one running the test, whoever that is.
constexpr char kFolderDefaultAcl[] = "u::rwx,u:65534:rw-,g::rwx,m::rwx,o::---";
constexpr char kNoAcl[] = "u::rw-,g::---,o::---"; // the mode's entries alone

struct Kept {
    mode_t mode = 0;
    std::string acl; // the whole access ACL as text; a file without one shows its mode
    bool extended = false;
    ino_t inode = 0;
};

Kept Read(const std::string& path) {
    Kept kept;
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    kept.mode = info.st_mode & 07777;
    kept.inode = info.st_ino;
    const acl_t acl = acl_get_file(path.c_str(), ACL_TYPE_ACCESS);
    if (acl == nullptr) {
        ADD_FAILURE() << "no ACL read from " << path << ": " << std::strerror(errno);
        return kept;
    }
    char* text = acl_to_any_text(acl, nullptr, ',', TEXT_ABBREVIATE | TEXT_NUMERIC_IDS);
    kept.acl = text != nullptr ? text : "";
    kept.extended = acl_equiv_mode(acl, nullptr) == 1;
    acl_free(text);
    acl_free(acl);
    return kept;
}

bool SetAcl(const std::string& path, acl_type_t type, const char* text) {
    const acl_t acl = acl_from_text(text);
    const bool set = acl != nullptr && acl_set_file(path.c_str(), type, acl) == 0;
    acl_free(acl);
    return set;
}

TEST(AtomicFile, ReplacedFileKeepsItsModeAndAccessAclWhateverTheFolderDefaultSays) {
    TemporaryDirectory folder;
    if (!SetAcl(folder.Path(), ACL_TYPE_DEFAULT, kFolderDefaultAcl)) {
        GTEST_SKIP() << "no ACLs on the temporary directory's file system: "
                     << std::strerror(errno);
    }
    struct Row {
        const char* name;
        mode_t mode;     // 0: no file before the save
        const char* acl; // an access ACL set before the mode, or nullptr for none
    };
    const Row rows[] = {
        {"no ACL", 0640, nullptr},
        {"set-user-ID, set-group-ID and sticky bits", 07640, nullptr},
        {"extended access ACL and set-group-ID", 02660, "u::rw-,u:65534:r--,g::r--,m::rw-,o::---"},
        {"new file", 0, nullptr},
    };
    const std::vector<std::uint8_t> fresh = {'n', 'o', 'w', 'y'};
    int index = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = folder.PathOf("plik" + std::to_string(++index));
        Kept expected;
        if (row.mode != 0) {
            WriteBytes(path, {'s', 't', 'a', 'r', 'y'});
            // Without a row's ACL the file loses the one it took from the folder.
            ASSERT_TRUE(SetAcl(path, ACL_TYPE_ACCESS, row.acl != nullptr ? row.acl : kNoAcl));
            ASSERT_EQ(::chmod(path.c_str(), row.mode), 0);
            expected = Read(path);
            ASSERT_EQ(expected.mode, row.mode); // the owner may set every bit of the row
            ASSERT_EQ(expected.extended, row.acl != nullptr);
        } else {
            // What a plain open for writing gives a new file here.
            const std::string plain = folder.PathOf("zwykly");
            const int fd = ::open(plain.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            ASSERT_GE(fd, 0);
            ::close(fd);
            expected = Read(plain);
            ASSERT_TRUE(expected.extended); // the folder's named user came with it
            ::unlink(plain.c_str());
        }
        const std::size_t entries = folder.EntryCount();

        ASSERT_TRUE(WriteFileAtomically(path, fresh.data(), fresh.size()));
        const Kept after = Read(path);
        EXPECT_EQ(ReadBytes(path), fresh);
        EXPECT_EQ(after.mode, expected.mode);
        EXPECT_EQ(after.acl, expected.acl);
        EXPECT_EQ(after.extended, expected.extended);
        if (row.mode != 0) {
            EXPECT_NE(after.inode, expected.inode); // replaced, not written in place
        }
        EXPECT_EQ(folder.EntryCount(), entries + (row.mode != 0 ? 0 : 1)); // no temporary
    }
}

} // namespace

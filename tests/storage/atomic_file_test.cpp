#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "core/atomic_file.h"
#include "support/temp_folder.h"

namespace tonmark {
namespace {

namespace fs = std::filesystem;

class AtomicFile : public ::testing::Test {
  protected:
    AtomicFile() {
        target = (dir / "file.bin").string();
        std::ofstream(target, std::ios::binary) << "old contents";
    }

    std::string Contents(const std::string& p) {
        std::string b;
        EXPECT_TRUE(ReadWholeFile(p, b).Done());
        return b;
    }
    size_t Entries() { return std::distance(fs::directory_iterator(dir), {}); }

    test::TempFolder temp{"atomic"};
    fs::path dir = temp.Path();
    std::string target;
};

TEST_F(AtomicFile, ReplacesTheWholeFile) {
    EXPECT_TRUE(WriteFileAtomically(target, "new").Done());
    EXPECT_EQ(Contents(target), "new");
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(AtomicFile, FailuresLeaveNoTraceAndKeepTheOldFile) {
    EXPECT_FALSE(WriteFileAtomically((dir / "missing" / "x.aud").string(), "data").Done());
    fs::create_directory(dir / "folder.aud");
    EXPECT_FALSE(WriteFileAtomically((dir / "folder.aud").string(), "data").Done());
    EXPECT_TRUE(fs::is_directory(dir / "folder.aud"));
    EXPECT_EQ(Contents(target), "old contents");
    EXPECT_EQ(Entries(), 2u);
}

TEST_F(AtomicFile, FileSizeLimitInTheMiddleOfTheWrite) {
    // In a child, so the limit does not reach the rest of the tests.
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN); // as the programs' main does
        rlimit lim{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &lim);
        const FileResult r = WriteFileAtomically(target, std::string(100000, 'x'));
        _exit(r.Done() ? 1 : 0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write must report the failure";
    EXPECT_EQ(Contents(target), "old contents");
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(AtomicFile, SymbolicLinksAreFollowedAndKept) {
    fs::create_symlink("file.bin", dir / "link.bin");
    EXPECT_TRUE(WriteFileAtomically((dir / "link.bin").string(), "through the link").Done());
    EXPECT_TRUE(fs::is_symlink(dir / "link.bin"));
    EXPECT_EQ(Contents(target), "through the link");
    // A link to a file that does not exist yet creates that file.
    fs::create_symlink("later.bin", dir / "dangling.bin");
    EXPECT_TRUE(WriteFileAtomically((dir / "dangling.bin").string(), "made").Done());
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.bin"));
    EXPECT_EQ(Contents((dir / "later.bin").string()), "made");
    // A cycle is refused.
    fs::create_symlink("loop2", dir / "loop1");
    fs::create_symlink("loop1", dir / "loop2");
    EXPECT_FALSE(WriteFileAtomically((dir / "loop1").string(), "x").Done());
    EXPECT_TRUE(fs::is_symlink(dir / "loop1"));
}

TEST_F(AtomicFile, RefusesTargetsThatAreNotWritableRegularFiles) {
    const std::string fifo = (dir / "pipe.aud").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(WriteFileAtomically(fifo, "data").reason, kNotRegularFile);
    EXPECT_TRUE(fs::is_fifo(fifo));

    fs::permissions(target, fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(WriteFileAtomically(target, "data").reason, std::strerror(EACCES));
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(Contents(target), "old contents");
    EXPECT_EQ(Entries(), 2u) << "no temporary file is left";
}

TEST_F(AtomicFile, KeepsPermissionsAndTakesTheLongestNames) {
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(WriteFileAtomically(target, "new").Done());
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    const std::string longest = (dir / (std::string(251, 'n') + ".aud")).string();
    EXPECT_TRUE(WriteFileAtomically(longest, "long").Done());
    EXPECT_EQ(Contents(longest), "long");
}

TEST_F(AtomicFile, ReadsRegularFilesOnlyAndUpToTheLimit) {
    const std::string fifo = (dir / "pipe.aud").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    struct Case {
        std::string path;
        size_t limit;
        std::string reason;
    };
    const Case cases[] = {
        {fifo, kMaxReadBytes, kNotRegularFile}, // must not wait for a writer
        {"/dev/zero", kMaxReadBytes, kNotRegularFile},
        {dir.string(), kMaxReadBytes, std::strerror(EISDIR)},
        {target, 11, std::strerror(EFBIG)},
        {(dir / "missing").string(), kMaxReadBytes, std::strerror(ENOENT)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::string bytes;
        const FileResult r = ReadWholeFile(c.path, bytes, c.limit);
        EXPECT_EQ(r.failure, FileFailure::CannotOpen);
        EXPECT_EQ(r.path, c.path);
        EXPECT_EQ(r.reason, c.reason);
    }
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(target, bytes, 12).Done());
    EXPECT_EQ(bytes, "old contents");
}

} // namespace
} // namespace tonmark

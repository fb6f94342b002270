#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "storage/atomic_file.h"

namespace tonmark {
namespace {

namespace fs = std::filesystem;

class AtomicFile : public ::testing::Test {
  protected:
    AtomicFile() {
        dir = fs::temp_directory_path() / ("tonmark-atomic-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        target = (dir / "file.bin").string();
        std::ofstream(target, std::ios::binary) << "old contents";
    }
    ~AtomicFile() override { fs::remove_all(dir); }

    std::string Contents(const std::string& p) {
        std::string b;
        EXPECT_TRUE(ReadWholeFile(p, b));
        return b;
    }
    size_t Entries() { return std::distance(fs::directory_iterator(dir), {}); }

    fs::path dir;
    std::string target;
};

TEST_F(AtomicFile, ReplacesTheWholeFile) {
    EXPECT_EQ(WriteFileAtomically(target, "new"), "");
    EXPECT_EQ(Contents(target), "new");
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(AtomicFile, FailuresLeaveNoTraceAndKeepTheOldFile) {
    EXPECT_NE(WriteFileAtomically((dir / "missing" / "x.aud").string(), "data"), "");
    fs::create_directory(dir / "folder.aud");
    EXPECT_NE(WriteFileAtomically((dir / "folder.aud").string(), "data"), "");
    EXPECT_TRUE(fs::is_directory(dir / "folder.aud"));
    EXPECT_EQ(Contents(target), "old contents");
    EXPECT_EQ(Entries(), 2u);
}

TEST_F(AtomicFile, FileSizeLimitInTheMiddleOfTheWrite) {
    // In a child, so the limit does not reach the rest of the tests.
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        rlimit lim{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &lim);
        const std::string err = WriteFileAtomically(target, std::string(100000, 'x'));
        _exit(err.empty() ? 1 : 0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write must report the failure";
    EXPECT_EQ(Contents(target), "old contents");
    EXPECT_EQ(Entries(), 1u);
}

} // namespace
} // namespace tonmark

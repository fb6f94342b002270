// tonmark-tool where files and streams fail: full disks, size limits, links,
// FIFOs, device files, read-only targets, closed pipes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/shell.h"
#include "support/temp_folder.h"
#include "tool_run.h"

namespace tonmark::test {
namespace {

namespace fs = std::filesystem;

class ToolFaults : public ::testing::Test {
  protected:
    ToolFaults() {
        const std::string subject = Path("subject.json");
        std::ofstream(subject) << R"({"thresholds": {"left": {"1000": 20}, "right": {"1000": 5}}})";
        aud = Path("a.aud");
        EXPECT_EQ(RunTool("simulate --subject " + subject + " --aud " + aud + " >/dev/null").status,
                  0);
    }

    std::string Path(const std::string& name) const { return (dir / name).string(); }
    static std::string Slurp(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // Runs a bash command line and returns what it printed.
    static std::string Bash(const std::string& line) {
        return Shell("bash -c '" + line + "' 2>&1");
    }

    // Runs the tool with its standard output on a pipe nobody reads from.
    static int StatusIntoClosedPipe(const std::string& args) {
        int fds[2];
        if (pipe(fds) != 0)
            return -1;
        close(fds[0]); // before the tool runs, so its first write fails
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(fds[1], STDOUT_FILENO);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, STDERR_FILENO);
            execl("/bin/sh", "sh", "-c", (std::string(TONMARK_TOOL) + " " + args).c_str(),
                  (char*)nullptr);
            _exit(127);
        }
        close(fds[1]);
        int st = 0;
        waitpid(pid, &st, 0);
        return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }

    TempFolder temp{"faults"};
    fs::path dir = temp.Path();
    std::string aud;
};

TEST_F(ToolFaults, OutputThatCannotBeWrittenIsAFailure) {
    const std::string calls[] = {
        "synth --freq 1000 --level -10 --beep 0.5 --pause 0",
        "show " + aud,
        "simulate --subject " + Path("subject.json"),
    };
    for (const std::string& call : calls) {
        SCOPED_TRACE(call);
        const auto full = RunTool(call + " >/dev/full");
        EXPECT_EQ(full.status, 1);
        EXPECT_NE(full.err.find("cannot write the output"), std::string::npos) << full.err;
        EXPECT_EQ(StatusIntoClosedPipe(call), 1);
    }
}

TEST_F(ToolFaults, ChartIsSavedWholeOrNotAtAll) {
    const std::string png = Path("chart.png");
    std::ofstream(png) << "old picture";
    // A file-size limit below the picture's size: refused, the old file stays.
    const std::string limited = Bash("ulimit -f 2; " + std::string(TONMARK_TOOL) + " chart " + aud +
                                     " " + png + "; echo status $?");
    EXPECT_NE(limited.find("status 1"), std::string::npos) << limited;
    EXPECT_NE(limited.find("File too large"), std::string::npos) << limited;
    EXPECT_EQ(Slurp(png), "old picture");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 3) << "no temporary file is left";

    // Through a link: the link stays, the file it names gets the picture.
    fs::create_symlink("chart.png", dir / "link.png");
    ASSERT_EQ(RunTool("chart " + aud + " " + Path("link.png")).status, 0);
    EXPECT_TRUE(fs::is_symlink(dir / "link.png"));
    EXPECT_EQ(Slurp(png).substr(1, 3), "PNG");

    // A name that starts with '-' after "--".
    fs::current_path(dir);
    const auto dashed = RunTool("chart -- " + aud + " -dash.png");
    EXPECT_EQ(dashed.status, 0) << dashed.err;
    EXPECT_TRUE(fs::exists(dir / "-dash.png"));
}

TEST_F(ToolFaults, SavesRefuseTargetsThatAreNotWritableRegularFiles) {
    const std::string fifo = Path("pipe.txt");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    const std::string readOnly = Path("locked.txt");
    std::ofstream(readOnly) << "keep me";
    fs::permissions(readOnly, fs::perms::owner_read);
    for (const std::string& target : {fifo, readOnly}) {
        SCOPED_TRACE(target);
        const auto r = RunTool("export-txt " + aud + " " + target);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find("There was an error trying to save"), std::string::npos) << r.err;
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(Slurp(readOnly), "keep me");
    // The longest name a folder entry can have.
    const std::string longest = Path(std::string(251, 'n') + ".txt");
    EXPECT_EQ(RunTool("export-txt " + aud + " " + longest).status, 0);
    EXPECT_TRUE(fs::exists(longest));
}

TEST_F(ToolFaults, ReadersTakeRegularFilesOfSensibleSizeOnly) {
    const std::string fifo = Path("pipe.aud");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    const std::string huge = Path("huge.aud");
    {
        std::ofstream out(huge, std::ios::binary);
        out << Slurp(aud) << std::string(200000, '\0');
    }
    struct Case {
        std::string file, reason;
    };
    const Case cases[] = {
        {"/dev/zero", "Not a regular file"},
        {fifo, "Not a regular file"}, // and does not wait for a writer
        {huge, "File too large"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const auto r = RunTool("show " + c.file);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("Cannot open file \"" + c.file + "\". " + c.reason), std::string::npos)
            << r.err;
    }
}

TEST_F(ToolFaults, SimulateNeedsANameToSaveTo) {
    const auto r = RunTool("simulate --subject " + Path("subject.json") + " --aud ''");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--aud needs a file name"), std::string::npos) << r.err;
}

} // namespace
} // namespace tonmark::test

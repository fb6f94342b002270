#pragma once
// The real program started as a user starts it (offscreen, without its
// splash), with a settings folder of its own, for tests of how it ends.
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tonmark::test {

class ProgramProcess {
  public:
    // settingsFile is copied into the program's own settings folder under
    // folder (a test's temporary folder).
    ProgramProcess(const std::string& program, const std::string& settingsFile,
                   const std::string& folder)
        : conf_(folder + "tonmark-conf-" + std::to_string(getpid()) + "-" +
                std::to_string(++count_)) {
        std::system(("mkdir -p " + conf_ + "/Velbrook && cp " + settingsFile + " " + conf_ +
                     "/Velbrook/Tonmark.json")
                        .c_str());
        pid_ = fork();
        if (pid_ == 0) {
            setenv("XDG_CONFIG_HOME", conf_.c_str(), 1);
            setenv("TONMARK_NO_SPLASH", "1", 1);
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            execl(program.c_str(), program.c_str(), (char*)nullptr);
            _exit(127);
        }
    }
    ~ProgramProcess() {
        if (!ended_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        std::system(("rm -rf " + conf_).c_str());
    }
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    bool Running() const { return !ended_ && waitpid(pid_, nullptr, WNOHANG) == 0; }

    struct Ending {
        double seconds = 0;  // from the signal to the end
        bool exited = false; // ended by the program, not by the signal
    };
    // Sends SIGTERM and waits for the end, at most ten seconds (then kills).
    Ending Terminate() {
        using Clock = std::chrono::steady_clock;
        const auto sent = Clock::now();
        Ending e;
        if (kill(pid_, SIGTERM) != 0)
            return e;
        int status = 0;
        while (waitpid(pid_, &status, WNOHANG) == 0 &&
               Clock::now() - sent < std::chrono::seconds(10))
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        e.seconds = std::chrono::duration<double>(Clock::now() - sent).count();
        if (e.seconds >= 10) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
        }
        ended_ = true;
        e.exited = WIFEXITED(status) && e.seconds < 10;
        return e;
    }

  private:
    static inline int count_ = 0;
    std::string conf_;
    pid_t pid_ = -1;
    bool ended_ = false;
};

} // namespace tonmark::test

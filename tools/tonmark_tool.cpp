// tonmark-tool: the command-line companion of Tonmark.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "tools/commands.h"

namespace {

const char* kUsage =
    "usage: tonmark-tool COMMAND [ARGS]\n"
    "\n"
    "commands:\n"
    "  simulate --subject SUBJECT.json [--settings SETTINGS.json] [--max-retest-cycles N]\n"
    "           [--aud OUT.aud]\n"
    "           run New Test against a simulated subject and print the result as JSON\n"
    "  show FILE\n"
    "           print an audiogram or calibration file as JSON\n"
    "  export-txt IN.aud OUT.txt\n"
    "           write the text export of an audiogram file\n"
    "  synth --freq HZ --level DB --beep S --pause S [--no-window] [--allow-clipping]\n"
    "           [--left 0|1] [--right 0|1]\n"
    "           write the raw 16-bit stereo samples of one tone pulse to stdout;\n"
    "           0 < HZ < 22050, DB <= 0 (full scale) unless --allow-clipping, 0 <= S <= 60\n"
    "  devices\n"
    "           list the wave output and mixer devices, then each mixer's controls\n"
    "  chart [--width W] [--height H] [--settings SETTINGS.json] [--] IN.aud OUT.png\n"
    "           draw the audiogram chart of a file into a PNG (default 657 x 301)\n"
    "  install-settings [FILE]\n"
    "           create the settings file of a new user, as an installer does: every\n"
    "           setting at its default and FirstRun 1, at FILE (default\n"
    "           $XDG_CONFIG_HOME/Velbrook/Tonmark.json); an existing file is kept\n";

// The exit status of a command whose standard output may have failed: a
// full disk or a closed pipe is a failure, not a success.
int CheckedOutput(int status) {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "tonmark-tool: cannot write the output: %s\n", std::strerror(errno));
        return status == 0 ? 1 : status;
    }
    return status;
}

int Run(const std::string& cmd, const std::vector<std::string>& args) {
    if (cmd == "simulate")
        return tonmark::tool::Simulate(args);
    if (cmd == "show")
        return tonmark::tool::Show(args);
    if (cmd == "chart")
        return tonmark::tool::Chart(args);
    if (cmd == "devices")
        return tonmark::tool::Devices(args);
    if (cmd == "synth")
        return tonmark::tool::Synth(args);
    if (cmd == "play")
        return tonmark::tool::Play(args);
    if (cmd == "install-settings")
        return tonmark::tool::InstallSettings(args);
    if (cmd == "export-txt")
        return tonmark::tool::ExportTxt(args);
    std::fprintf(stderr, "tonmark-tool: unknown command '%s'\n", cmd.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") ||
        !std::strcmp(argv[1], "help")) {
        std::fputs(kUsage, argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    // A file-size limit must come back as a failed write, and a closed pipe
    // as a failed output, not kill the process half-way.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    const std::string cmd = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    try {
        return CheckedOutput(Run(cmd, args));
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "tonmark-tool %s: out of memory\n", cmd.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tonmark-tool %s: %s\n", cmd.c_str(), e.what());
    }
    return 1;
}

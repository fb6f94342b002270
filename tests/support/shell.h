#pragma once
// Running a shell command from a test and reading what it printed.
#include <cstdio>
#include <cstdlib>
#include <string>

namespace tonmark::test {

// Standard output of cmd (run by /bin/sh); empty when it could not start.
inline std::string Shell(const std::string& cmd) {
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    char buf[4096];
    size_t n;
    while (p && (n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    if (p)
        pclose(p);
    return out;
}

// The first channel of a sink's volume, raw on the server's scale (65536 =
// 100 %), read with pactl; -1 when it cannot be read.
inline long SinkVolumeRaw(const std::string& sink) {
    const std::string out = Shell("pactl get-sink-volume " + sink);
    const auto colon = out.find(':', out.find("front-left"));
    return colon == std::string::npos ? -1 : std::strtol(out.c_str() + colon + 1, nullptr, 10);
}

} // namespace tonmark::test

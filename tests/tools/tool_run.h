#pragma once
// Runs tonmark-tool as a user would and captures what it prints.
#include "support/temp_folder.h"
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace tonmark::test {

struct ToolResult {
    int status = -1;
    std::string out, err;
};

inline ToolResult RunTool(const std::string& args) {
    const TempFolder temp("tool");
    const std::string errFile = (temp / "stderr").string();
    const std::string cmd = std::string(TONMARK_TOOL) + " " + args + " 2>" + errFile;
    ToolResult r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return r;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    if (FILE* e = fopen(errFile.c_str(), "rb")) {
        while ((n = fread(buf, 1, sizeof buf, e)) > 0)
            r.err.append(buf, n);
        fclose(e);
    }
    return r;
}

} // namespace tonmark::test

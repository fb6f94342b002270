#pragma once
// The subcommands of tonmark-tool. Each returns the process exit status:
// 0 success, 1 a file the program rejects, 2 bad arguments or input.
#include <string>
#include <vector>

namespace tonmark::tool {

int Simulate(const std::vector<std::string>& args);
int Show(const std::vector<std::string>& args);
int ExportTxt(const std::vector<std::string>& args);
int Synth(const std::vector<std::string>& args);
int Play(const std::vector<std::string>& args);
int Devices(const std::vector<std::string>& args);
int Chart(const std::vector<std::string>& args);
int InstallSettings(const std::vector<std::string>& args);

} // namespace tonmark::tool

// tonmark-tool install-settings: the installation step of the settings file.
#include <cstdio>
#include <string>
#include <vector>

#include "storage/settings_store.h"
#include "tools/commands.h"

namespace tonmark::tool {

int InstallSettings(const std::vector<std::string>& args) {
    if (args.size() > 1 || (!args.empty() && (args[0].empty() || args[0][0] == '-'))) {
        std::fprintf(stderr, "usage: tonmark-tool install-settings [FILE]\n");
        return 2;
    }
    const std::string path = args.empty() ? SettingsStore::DefaultPath() : args[0];
    bool created = false;
    if (const FileResult r = CreateInstallationStore(path, created); !r.Done()) {
        std::fprintf(stderr, "tonmark-tool install-settings: cannot create \"%s\": %s\n",
                     path.c_str(), r.reason.c_str());
        return 1;
    }
    std::printf(created ? "created %s\n" : "kept %s: a settings file is already there\n",
                path.c_str());
    return 0;
}

} // namespace tonmark::tool

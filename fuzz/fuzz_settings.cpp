// Any bytes as the settings file; when reading succeeds, writing the settings
// and reading them again must give the same settings.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

#include "core/atomic_file.h"
#include "core/errors.h"
#include "storage/settings_store.h"
#include "tools/simulation.h"
#include "ui/settings_messages.h"

using namespace tonmark;

namespace {

bool Same(const Settings& a, const Settings& b) {
    for (const StoredSetting& row : StoredSettings())
        if (row.get(a) != row.get(b))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path =
        "/dev/shm/tonmark-fuzz-settings-" + std::to_string(::getpid()) + ".json";
    // Removed after every input: libFuzzer may end the process without
    // running any clean-up.
    struct Scratch {
        ~Scratch() { std::remove(path.c_str()); }
    } scratch;
    if (!WriteFileAtomically(path, std::string(reinterpret_cast<const char*>(data), size)).Done())
        std::abort();
    RecordingDialogs dialogs;
    SettingsStore store(path);
    Settings first;
    const DeviceListSizes lists{2, 2};
    try {
        ReadStoredSettings(store, first, lists, dialogs, nullptr);
    } catch (const TonmarkError&) {
        return 0;
    }
    WriteStoredSettings(store, first);
    Settings second;
    ReadStoredSettings(store, second, lists, dialogs, nullptr);
    if (!Same(first, second))
        std::abort();
    return 0;
}

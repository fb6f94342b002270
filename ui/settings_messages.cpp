#include "ui/settings_messages.h"

#include "core/errors.h"
#include "ui/file_messages.h"

namespace tonmark {

void ReadStoredSettings(SettingsStore& store, Settings& settings, DeviceListSizes lists,
                        Dialogs& dialogs, const std::function<void()>& openSettingsOnHardwarePage) {
    if (store.ReadRegistry(settings, lists) == SettingsRead::DefaultsUsed)
        dialogs.ShowMessage(kMsgRegistryDefaults);
    int32_t firstRun = 0;
    if (const FileResult r = store.ReadFirstRun(firstRun); !r.Done()) {
        const char* head = r.failure == FileFailure::WrongKind
                               ? "Invalid data type for 'FirstRun'"
                               : "Failed to get data for 'FirstRun'";
        throw TonmarkError(FailureWithReason(head, r));
    }
    if (firstRun != 1)
        return;
    if (dialogs.AskConfirmation(kMsgFirstRunIntro, kHelpIntroduction))
        dialogs.ShowHelpTopicAndWait(kHelpIntroduction); // read before the hardware check
    dialogs.ShowMessage(kMsgFirstRunCheck);
    if (const FileResult r = store.ClearFirstRun(); !r.Done())
        throw TonmarkError(FailureWithReason("Failed to set data for 'FirstRun'", r));
    if (openSettingsOnHardwarePage)
        openSettingsOnHardwarePage();
}

void WriteStoredSettings(SettingsStore& store, const Settings& settings) {
    if (const FileResult r = store.WriteRegistry(settings); !r.Done())
        throw TonmarkError(
            FailureWithReason("Failed to set data for '" + StoredSettings().front().name + "'", r));
}

} // namespace tonmark

#include "ui/mixer_messages.h"

namespace tonmark {

void ReportMixerOpen(const MixerOpenResult& result, Dialogs& dialogs) {
    if (result.capsUnreadable)
        dialogs.ShowErrorBox("Mixereigenschaften konnten nicht ermittelt werden ",
                             "Soundkarten Treiber Problem");
    switch (result.failure) {
    case MixerOpenResult::Failure::None:
        break;
    case MixerOpenResult::Failure::InvalidDevice:
        dialogs.ShowErrorBox("Invalid Device Number !", "Sound card driver problem");
        break;
    case MixerOpenResult::Failure::OpenFailed:
        dialogs.ShowErrorBox("Mixer Opening Procedure failed ", "Sound card driver problem");
        break;
    }
}

} // namespace tonmark

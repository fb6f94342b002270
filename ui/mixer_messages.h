#pragma once
// The error boxes of a mixer device that could not be opened, as the windows
// and the tool show them.
#include "audio/volume_control.h"
#include "core/run_services.h"

namespace tonmark {

// Shows one error box per failure, in the order they happened; nothing for a
// device that opened.
void ReportMixerOpen(const MixerOpenResult& result, Dialogs& dialogs);

} // namespace tonmark

#pragma once
#include <cstring>

#include "core/run_services.h"

namespace tonmark::fuzz {

// Every dialog answered at once; nothing is kept.
class QuietDialogs final : public Dialogs {
  public:
    void ShowMessage(const std::string&) override {}
    bool ConfirmOkCancel(const std::string&) override { return true; }
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
    bool AskConfirmation(const std::string&, int) override { return false; }
    ModalResult AskWithDontShowAgain(const std::string&, const std::string&, DialogType,
                                     bool& dontShow) override {
        dontShow = false;
        return ModalResult::No;
    }
    void ShowErrorBox(const std::string&, const std::string&) override {}
    void ShowHelpTopic(int) override {}
};

} // namespace tonmark::fuzz

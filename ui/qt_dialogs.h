#pragma once
// The real modal dialogs: message boxes, file and colour choosers.
#include <QWidget>

#include "ui/program.h"

namespace tonmark {

class HelpViewer;

// The window a message or dialog belongs over: an open modal dialog, else a
// visible always-on-top window, else the active window.
QWidget* DialogParent();
// The suffix of a file-type filter such as "ASCII-Text (*.txt)": "txt".
QString SuffixForFilter(const QString& nameFilter);

class QtDialogs final : public Dialogs {
  public:
    explicit QtDialogs(HelpViewer* help) : help_(help) {}
    void SetHelp(HelpViewer* help) { help_ = help; }

    void ShowMessage(const std::string& text) override;
    bool ConfirmOkCancel(const std::string& text) override;
    bool AskYesNo(const std::string& text, const std::string& caption) override;
    ModalResult AskYesNoCancel(const std::string& text, const std::string& caption) override;
    bool AskConfirmation(const std::string& text, int helpContext) override;
    ModalResult AskWithDontShowAgain(const std::string& text, const std::string& title,
                                     DialogType type, bool& dontShowAgain) override;
    void ShowErrorBox(const std::string& text, const std::string& caption) override;
    void ShowHelpTopic(int context) override;
    void ShowHelpTopicAndWait(int context) override;

  private:
    HelpViewer* help_;
};

class QtFileDialogs final : public FileDialogs {
  public:
    std::optional<std::string> OpenFile(const std::string& title, const std::string& filter,
                                        const std::string& folder) override;
    std::optional<SaveChoice> SaveFile(const std::string& title, const std::string& filter,
                                       const std::string& folder, const std::string& suggestedName,
                                       const std::string& defaultSuffix) override;
    std::optional<uint32_t> ChooseColour(uint32_t start) override;

  private:
    std::optional<uint32_t> lastColour_;
};

// Windows filter text ("Audiogram Files|*.aud|...") as a Qt name filter list.
QStringList QtFilters(const std::string& filter);

} // namespace tonmark

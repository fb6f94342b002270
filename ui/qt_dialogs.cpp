#include "ui/qt_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>

#include "ui/gdi_canvas.h"
#include "ui/help_viewer.h"

namespace tonmark {

namespace {
QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
QString Title() {
    return QStringLiteral("Tonmark");
}
} // namespace

QWidget* DialogParent() {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    // An always-on-top window (the settings dialog, the test window) would
    // cover a message that belongs to the main window.
    QWidget* onTop = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && (w->windowFlags() & Qt::WindowStaysOnTopHint) &&
            w->windowType() != Qt::SplashScreen && !qobject_cast<HelpViewer*>(w))
            onTop = w;
    return onTop ? onTop : QApplication::activeWindow();
}

QString SuffixForFilter(const QString& nameFilter) {
    // "ASCII-Text (*.txt)" -> "txt"
    const int star = nameFilter.indexOf(QStringLiteral("*."));
    if (star < 0)
        return QString();
    QString suffix = nameFilter.mid(star + 2);
    const int end = suffix.indexOf(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")));
    return end < 0 ? suffix : suffix.left(end);
}

void QtDialogs::ShowMessage(const std::string& text) {
    QMessageBox::information(DialogParent(), Title(), Q(text));
}

bool QtDialogs::ConfirmOkCancel(const std::string& text) {
    return QMessageBox::warning(DialogParent(), Title(), Q(text),
                                QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

bool QtDialogs::AskYesNo(const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::NoIcon, Q(caption), Q(text), QMessageBox::Yes | QMessageBox::No,
                    DialogParent());
    return box.exec() == QMessageBox::Yes;
}

ModalResult QtDialogs::AskYesNoCancel(const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::Question, Q(caption), Q(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, DialogParent());
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    const int r = box.exec();
    return r == QMessageBox::Yes  ? ModalResult::Yes
           : r == QMessageBox::No ? ModalResult::No
                                  : ModalResult::Cancel;
}

bool QtDialogs::AskConfirmation(const std::string& text, int helpContext) {
    QMessageBox box(QMessageBox::Question, Q("Confirm"), Q(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Help, DialogParent());
    for (;;) {
        const int r = box.exec();
        if (r == QMessageBox::Help) {
            // Read while the question waits; a question back on screen would
            // block the help window.
            if (help_)
                help_->ShowContextModal(helpContext);
            continue;
        }
        return r == QMessageBox::Yes;
    }
}

ModalResult QtDialogs::AskWithDontShowAgain(const std::string& text, const std::string& title,
                                            DialogType type, bool& dontShowAgain) {
    const QMessageBox::Icon icon = type == DialogType::Information    ? QMessageBox::Information
                                   : type == DialogType::Warning      ? QMessageBox::Warning
                                   : type == DialogType::Error        ? QMessageBox::Critical
                                   : type == DialogType::Confirmation ? QMessageBox::Question
                                                                      : QMessageBox::NoIcon;
    QMessageBox box(icon, Q(title), Q(text), QMessageBox::Yes | QMessageBox::No, DialogParent());
    auto* check = new QCheckBox(QStringLiteral("Don't show this message again."));
    box.setCheckBox(check);
    const int r = box.exec();
    dontShowAgain = check->isChecked();
    return r == QMessageBox::Yes ? ModalResult::Yes : ModalResult::No;
}

void QtDialogs::ShowErrorBox(const std::string& text, const std::string& caption) {
    QMessageBox::critical(DialogParent(), Q(caption), Q(text));
}

void QtDialogs::ShowHelpTopic(int context) {
    if (help_)
        help_->ShowContext(context);
}

void QtDialogs::ShowHelpTopicAndWait(int context) {
    if (help_)
        help_->ShowContextModal(context);
}

QStringList QtFilters(const std::string& filter) {
    const QStringList parts = Q(filter).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i] + " (" + QString(parts[i + 1]).replace(';', ' ') + ")";
    return out;
}

std::optional<std::string> QtFileDialogs::OpenFile(const std::string& title,
                                                   const std::string& filter,
                                                   const std::string& folder) {
    const QString name = QFileDialog::getOpenFileName(DialogParent(), Q(title), Q(folder),
                                                      QtFilters(filter).join(";;"));
    if (name.isEmpty())
        return std::nullopt;
    return name.toStdString();
}

std::optional<FileDialogs::SaveChoice> QtFileDialogs::SaveFile(const std::string& title,
                                                               const std::string& filter,
                                                               const std::string& folder,
                                                               const std::string& suggested,
                                                               const std::string& suffix) {
    QFileDialog dlg(DialogParent(), Q(title));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setNameFilters(QtFilters(filter));
    dlg.setDirectory(Q(folder));
    dlg.setDefaultSuffix(Q(suffix));
    // A name typed without a suffix gets the one of the chosen type.
    QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg,
                     [&dlg](const QString& f) { dlg.setDefaultSuffix(SuffixForFilter(f)); });
    dlg.selectFile(Q(suggested));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return std::nullopt;
    SaveChoice choice;
    choice.name = dlg.selectedFiles().front().toStdString();
    choice.fileType = static_cast<int>(QtFilters(filter).indexOf(dlg.selectedNameFilter())) + 1;
    return choice;
}

std::optional<uint32_t> QtFileDialogs::ChooseColour(uint32_t) {
    // Starts with the colour last chosen here, the button face the first time.
    const QColor start = lastColour_ ? ColourFromStored(*lastColour_) : QColor(240, 240, 240);
    const QColor c = QColorDialog::getColor(start, DialogParent());
    if (!c.isValid())
        return std::nullopt;
    const uint32_t stored = static_cast<uint32_t>(c.red()) |
                            (static_cast<uint32_t>(c.green()) << 8) |
                            (static_cast<uint32_t>(c.blue()) << 16);
    lastColour_ = stored;
    return stored;
}

} // namespace tonmark

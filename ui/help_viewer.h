#pragma once
// The program's help: HTML topics in a folder beside the program, opened by
// context number through the map in that folder's "contexts.txt" (lines of
// "NUMBER FILE").
#include <QDialog>
#include <QMap>
#include <QString>

class QTextBrowser;

namespace tonmark {

// The help topics of a program in programFolder: its "help" folder, or
// "../share/tonmark/help" when it is installed.
QString HelpFolderBeside(const QString& programFolder);

class HelpViewer : public QDialog {
    Q_OBJECT
  public:
    // folder: where the topics are; empty = "help" beside the program.
    explicit HelpViewer(QString folder = QString(), QWidget* parent = nullptr);

    // Shows the topic of a context number; false (and the contents page) when
    // the number has no topic.
    // Shown above the program's windows; when a modal dialog is open, it is
    // shown modal over it so that it can be used.
    bool ShowContext(int context);
    // Shows the topic and returns when the user closed the help.
    bool ShowContextModal(int context);
    QString CurrentTopic() const { return current_; }
    const QMap<int, QString>& Contexts() const { return contexts_; }
    QString Folder() const { return folder_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    bool SetTopic(int context);
    // Back once the modal dialogs that made it step aside are gone.
    void ReturnAfterModal();
    QString folder_;
    QMap<int, QString> contexts_;
    QTextBrowser* browser_;
    QString current_;
    // Hidden while a modal dialog is open: above it, it would cover the
    // dialog that holds every other window, itself included.
    bool steppedAside_ = false;
};

} // namespace tonmark

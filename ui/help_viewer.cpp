#include "ui/help_viewer.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextBrowser>
#include <QTextStream>
#include <QUrl>
#include <QVBoxLayout>

namespace tonmark {

QString HelpFolderBeside(const QString& programFolder) {
    // Beside the program in the build folder; under share/ when installed.
    const QString beside = programFolder + "/help";
    const QString installed = programFolder + "/../share/tonmark/help";
    if (!QDir(beside).exists() && QDir(installed).exists())
        return QDir(installed).absolutePath();
    return beside;
}

HelpViewer::HelpViewer(QString folder, QWidget* parent)
    : QDialog(parent),
      folder_(folder.isEmpty() ? HelpFolderBeside(QCoreApplication::applicationDirPath())
                               : std::move(folder)),
      browser_(new QTextBrowser(this)) {
    setWindowTitle(QStringLiteral("Tonmark Help"));
    // The settings dialog and the test window stay on top; help the user
    // asked for must not open behind them. A window opened later comes above
    // it, as any window does.
    setWindowFlag(Qt::WindowStaysOnTopHint);
    QCoreApplication::instance()->installEventFilter(this);
    resize(720, 560);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser_);
    browser_->setSearchPaths({folder_});
    browser_->setOpenExternalLinks(false);
    QFile map(folder_ + "/contexts.txt");
    if (map.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QTextStream in(&map);
        while (!in.atEnd()) {
            const QStringList parts = in.readLine().split(' ', Qt::SkipEmptyParts);
            bool ok = false;
            if (parts.size() == 2) {
                const int n = parts[0].toInt(&ok);
                if (ok)
                    contexts_[n] = parts[1];
            }
        }
    }
}

bool HelpViewer::SetTopic(int context) {
    const bool known = contexts_.contains(context);
    current_ = known ? contexts_[context] : QStringLiteral("index.html");
    browser_->setSource(QUrl::fromLocalFile(folder_ + "/" + current_));
    return known;
}

bool HelpViewer::ShowContext(int context) {
    const bool known = SetTopic(context);
    steppedAside_ = false;
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != this) {
        // A modal dialog would block a plain window: show it modal over it.
        hide();
        exec();
        return known;
    }
    show();
    raise();
    activateWindow();
    return known;
}

bool HelpViewer::ShowContextModal(int context) {
    const bool known = SetTopic(context);
    steppedAside_ = false;
    hide();
    exec();
    return known;
}

bool HelpViewer::eventFilter(QObject* watched, QEvent* e) {
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || w == this || !w->isWindow() || !w->isModal())
        return QDialog::eventFilter(watched, e);
    // A modal dialog opens while the help is up without one: the help steps
    // aside, and comes back when the dialog is answered.
    if (e->type() == QEvent::Show && isVisible() && !isModal()) {
        steppedAside_ = true;
        hide();
    } else if (e->type() == QEvent::Hide && steppedAside_) {
        QMetaObject::invokeMethod(
            this, [this] { ReturnAfterModal(); }, Qt::QueuedConnection);
    }
    return QDialog::eventFilter(watched, e);
}

void HelpViewer::ReturnAfterModal() {
    if (!steppedAside_ || QApplication::activeModalWidget())
        return;
    steppedAside_ = false;
    show();
}

} // namespace tonmark

#include "ui/help_viewer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextBrowser>
#include <QTextStream>
#include <QUrl>
#include <QVBoxLayout>

namespace tonmark {

HelpViewer::HelpViewer(QString folder, QWidget* parent)
    : QDialog(parent), folder_(folder.isEmpty() ? QCoreApplication::applicationDirPath() + "/help"
                                                : std::move(folder)),
      browser_(new QTextBrowser(this)) {
    setWindowTitle(QStringLiteral("Tonmark Help"));
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

bool HelpViewer::ShowContext(int context) {
    const bool known = contexts_.contains(context);
    current_ = known ? contexts_[context] : QStringLiteral("index.html");
    browser_->setSource(QUrl::fromLocalFile(folder_ + "/" + current_));
    show();
    raise();
    activateWindow();
    return known;
}

} // namespace tonmark

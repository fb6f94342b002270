#include "ui/about_box.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "ui/product_picture.h"
#include "ui/program.h"

namespace tonmark {

AboutBox::AboutBox(std::function<void(int)> showHelp, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Tonmark"));
    auto* layout = new QVBoxLayout(this);
    auto* picture = new QLabel;
    picture->setPixmap(ProductPicture(360, 218));
    layout->addWidget(picture);
    auto* version = new QLabel(QStringLiteral("Version ") + QString::fromLatin1(kVersion));
    version->setObjectName(QStringLiteral("version"));
    layout->addWidget(version);
    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("OK"));
    auto* help = new QPushButton(QStringLiteral("Help"));
    ok->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(help);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(help, &QPushButton::clicked, this, [showHelp] { showHelp(23); });
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this,
            [showHelp] { showHelp(23); });
}

void AboutBox::hideEvent(QHideEvent* e) {
    if (onHide)
        onHide();
    QDialog::hideEvent(e);
}

} // namespace tonmark

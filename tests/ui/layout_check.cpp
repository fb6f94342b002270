// Every window and every settings page, shown offscreen at the scale and the
// font size of the environment: every label, button, check box and radio
// button must show its whole text, and no two sibling widgets may overlap.
// Prints each fault with its window, widget and text; exit status 1 if any.
//
//   TONMARK_FONT_SCALE=1.5 QT_SCALE_FACTOR=1.25 [TONMARK_LAYOUT_SHOTS=DIR] layout_check
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabWidget>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "support/fake_volume_devices.h"
#include "support/fake_wave_output.h"
#include "support/temp_folder.h"
#include "tools/simulation.h"
#include "ui/program_windows.h"

using namespace tonmark;

namespace {

int faults = 0;

QString Describe(QWidget* w) {
    QString what = QString::fromLatin1(w->metaObject()->className());
    if (!w->objectName().isEmpty())
        what += " " + w->objectName();
    return what;
}

void Fault(const QString& window, QWidget* w, const QString& text, const QString& problem) {
    ++faults;
    std::printf("%s: %s \"%s\": %s\n", qPrintable(window), qPrintable(Describe(w)),
                qPrintable(text), qPrintable(problem));
}

// The width a widget needs for its text in its own font and style.
int NeededWidth(QWidget* w, const QString& text) {
    const QFontMetrics fm(w->font());
    QString shown = text;
    shown.remove('&');
    const int textWidth = fm.horizontalAdvance(shown);
    if (auto* b = qobject_cast<QCheckBox*>(w))
        return b->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, b) +
               b->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, b) + textWidth;
    if (auto* b = qobject_cast<QRadioButton*>(w))
        return b->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, b) +
               b->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, b) + textWidth;
    if (qobject_cast<QPushButton*>(w))
        return textWidth + 8;
    if (auto* l = qobject_cast<QLabel*>(w))
        return textWidth + 2 * l->margin() + 2 * l->frameWidth();
    return textWidth;
}

void CheckTexts(const QString& window, QWidget* root) {
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(root))
            continue;
        QString text;
        if (auto* l = qobject_cast<QLabel*>(w)) {
            if (l->wordWrap() || !l->pixmap().isNull())
                continue; // wraps to its width
            text = l->text();
        } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            text = b->text();
        } else {
            continue;
        }
        if (text.isEmpty())
            continue;
        const int need = NeededWidth(w, text);
        if (need > w->width())
            Fault(window, w, text,
                  QStringLiteral("needs %1 pixels, has %2").arg(need).arg(w->width()));
        const QFontMetrics fm(w->font());
        if (fm.height() > w->height() + 2)
            Fault(
                window, w, text,
                QStringLiteral("text %1 pixels high, widget %2").arg(fm.height()).arg(w->height()));
    }
}

void CheckOverlaps(const QString& window, QWidget* root) {
    QList<QWidget*> parents = root->findChildren<QWidget*>();
    parents.prepend(root);
    for (QWidget* parent : parents) {
        QList<QWidget*> kids;
        for (QObject* o : parent->children())
            if (auto* w = qobject_cast<QWidget*>(o); w && !w->isWindow() && w->isVisibleTo(root))
                kids.append(w);
        for (int i = 0; i < kids.size(); ++i)
            for (int j = i + 1; j < kids.size(); ++j) {
                // A light drawn over its background is meant to overlap.
                if (kids[i]->geometry() == kids[j]->geometry() &&
                    kids[i]->metaObject() == kids[j]->metaObject())
                    continue;
                if (kids[i]->geometry().intersects(kids[j]->geometry()))
                    Fault(window, kids[i], Describe(kids[j]), QStringLiteral("overlaps it"));
            }
    }
}

void Check(const QString& window, QWidget* w) {
    w->show();
    QApplication::processEvents();
    // TONMARK_LAYOUT_SHOTS=DIR keeps a picture of every window to look at.
    if (const char* shots = std::getenv("TONMARK_LAYOUT_SHOTS"))
        w->grab().save(QString::fromLocal8Bit(shots) + "/" + QString(window).replace(' ', '-') +
                       ".png");
    CheckTexts(window, w);
    CheckOverlaps(window, w);
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    if (const char* f = std::getenv("TONMARK_FONT_SCALE")) {
        QFont font = QApplication::font();
        font.setPointSizeF(font.pointSizeF() * std::atof(f));
        QApplication::setFont(font);
    }
    const test::TempFolder temp("layout");
    const std::filesystem::path& dir = temp.Path();
    std::filesystem::copy_file(TONMARK_TEST_DATA "/full_settings.json", dir / "Tonmark.json");

    RecordingDialogs dialogs;
    FixedClock clock({2026, 12, 10, 10, 0, 0});
    test::FakeVolumeLog volumeLog;
    Program program;
    program.dialogs = &dialogs;
    program.clock = &clock;
    program.store = std::make_unique<SettingsStore>((dir / "Tonmark.json").string());
    program.waveOutput = std::make_unique<test::FakeWaveOutput>();
    auto devices = std::make_unique<test::FakeVolumeDevices>(&volumeLog);
    devices->devices = {{"Card A", 0x0102}};
    program.outputLevels =
        std::make_unique<OutputLevelControl>(std::move(devices), nullptr, nullptr);

    ProgramWindows windows(program, nullptr, {});
    TfrmMain& main = *windows.main;
    TfrmSettings& settings = *windows.settings;
    Check("main window", &main);
    main.resize(main.minimumSize());
    QApplication::processEvents();
    Check("main window at its smallest", &main);
    for (int page = 0; page < settings.SettingsPages->count(); ++page) {
        settings.SettingsPages->setCurrentIndex(page);
        Check("settings, page " + settings.SettingsPages->tabText(page), &settings);
    }
    settings.hide();
    Check("About box", windows.about.get());
    Check("test window", windows.test.get());
    Check("results window", windows.results.get());
    Check("Calibration Information", windows.calibrationInfo.get());
    Check("Compatibility Test", windows.compatibility.get());
    windows.compatibility->hide();
    Check("Calibration by Ear", windows.bioCal.get());
    std::printf("%d faults at scale %s, font scale %s\n", faults,
                std::getenv("QT_SCALE_FACTOR") ? std::getenv("QT_SCALE_FACTOR") : "1",
                std::getenv("TONMARK_FONT_SCALE") ? std::getenv("TONMARK_FONT_SCALE") : "1");
    return faults == 0 ? 0 : 1;
}

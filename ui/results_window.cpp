#include "ui/results_window.h"

#include <QEvent>
#include <QGroupBox>
#include <QLocale>
#include <QPainter>
#include <cmath>

#include "core/results.h"
#include "core/setting_values.h"
#include "ui/error_handler.h"
#include "ui/fit_to_text.h"
#include "ui/main_window.h"

namespace tonmark {

void TableBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (paint)
        paint(p);
}

TfrmResults::TfrmResults(Program& program, TfrmMain& main, std::function<void(QWidget&)> print,
                         QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), p_(program), main_(main),
      print_(std::move(print)) {
    setWindowTitle(QStringLiteral("Results and Statistics"));
    setFixedSize(420, 560);
    setAutoFillBackground(true);

    auto* top = new QGroupBox(this);
    top->setGeometry(8, 4, 404, 56);
    NameLabel = new QLabel(top);
    NameLabel->setGeometry(10, 10, 384, 18);
    TestDateTimeLabel = new QLabel(top);
    TestDateTimeLabel->setGeometry(10, 30, 384, 18);

    auto* thresholds = new QGroupBox(QStringLiteral(" Thresholds "), this);
    thresholds->setGeometry(8, 64, 404, 250);
    Table = new TableBox(thresholds);
    Table->setGeometry(10, 18, 384, 224);
    Table->paint = [this](QPainter& p) { FormPaint(p); };
    const auto fixed = [&](const char* text, int x, int y, int width, Qt::Alignment align) {
        auto* l = new QLabel(QString::fromUtf8(text), Table);
        l->setGeometry(x, y, width, 16);
        l->setAlignment(align | Qt::AlignVCenter);
    };
    fixed("Threshold (dB)", 66, 0, 140, Qt::AlignHCenter);
    fixed(" f (Hz)", 2, 18, 58, Qt::AlignLeft);
    fixed("Left Ear", 70, 18, 66, Qt::AlignLeft);
    fixed("Right Ear", 140, 18, 66, Qt::AlignLeft);

    auto* statistics = new QGroupBox(QStringLiteral(" Statistics "), this);
    statistics->setGeometry(8, 318, 404, 194);
    Category = new QLabel(QStringLiteral("Category"), statistics);
    Category->setGeometry(10, 20, 384, 20);
    DodgyResults = new QLabel(statistics);
    DodgyResults->setGeometry(10, 46, 384, 80);
    DodgyResults->setWordWrap(true);
    DodgyResults->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    retestdev = new QLabel(statistics);
    retestdev->setGeometry(10, 130, 384, 56);
    retestdev->setWordWrap(true);
    retestdev->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    HelpButton1 = new QPushButton(QStringLiteral("Help"), this);
    HelpButton1->setGeometry(8, 520, 90, 30);
    PrintButton = new QPushButton(QStringLiteral("Print"), this);
    PrintButton->setGeometry(166, 520, 90, 30);
    OK = new QPushButton(QStringLiteral("OK"), this);
    OK->setGeometry(322, 520, 90, 30);
    OK->setDefault(true);
    connect(HelpButton1, &QPushButton::clicked, this, [this] { HelpButton1Click(); });
    connect(PrintButton, &QPushButton::clicked, this,
            [this] { p_.errors.Guarded([this] { PrintButtonClick(); }); });
    connect(OK, &QPushButton::clicked, this, [this] { OKClick(); });
    scale_ = FitToText(*this);
}

void TfrmResults::FormActivate() {
    const PatientFile& rec = p_.state.Record;
    CategoryDates dates;
    const PersonalData personal = main_.Personal();
    if (personal.DateOfBirth)
        dates.dateOfBirth = DayNumber(personal.DateOfBirth->year, personal.DateOfBirth->month,
                                      personal.DateOfBirth->day);
    const LocalDateTime now = p_.clock ? p_.clock->Now() : LocalDateTime{2000, 1, 1};
    dates.now = DayNumber(now.year, now.month, now.day) +
                (now.hour * 3600 + now.minute * 60 + now.second) / 86400.0;
    // The test date as the user's locale reads dates; when it cannot, today.
    const ShortDateFormat system = ShortDateFormat::System();
    if (const auto test =
            ParseDateText(rec.TestDateStamp, system.separator, system.order, now.year))
        dates.testDate = DayNumber(test->year, test->month, test->day);
    subjectCategory_ = tonmark::Category(rec, dates);

    TestDateTimeLabel->setText(main_.lblDateTime->text());
    QString dob;
    if (personal.DateOfBirth)
        dob = QLocale::system().toString(QDate(personal.DateOfBirth->year,
                                               personal.DateOfBirth->month,
                                               personal.DateOfBirth->day),
                                         QLocale::ShortFormat);
    NameLabel->setText(QString::fromStdString(personal.FirstName + " " + personal.LastName + " ") +
                       dob);
    // "Min. Reversals" as it is set now.
    DodgyResults->setText(QString::fromStdString(
        AccuracyText(rec, p_.state.SlotFrequency, p_.settings.MinReversals.Integer())));
    // How the output behaved belongs beside how the subject did: pulses the
    // output broke were played again and did not count.
    std::string repeatNote = RepeatDifferenceText(rec);
    if (p_.state.RepeatedPulses > 0)
        repeatNote += (repeatNote.empty() ? "" : "\n") + std::to_string(p_.state.RepeatedPulses) +
                      (p_.state.RepeatedPulses == 1 ? " pulse was" : " pulses were") +
                      " played again during this test because the sound output dropped part of " +
                      (p_.state.RepeatedPulses == 1 ? "it." : "them.");
    retestdev->setText(QString::fromStdString(repeatNote));
    SetCategoryText();
    Table->update();
}

std::vector<std::array<int32_t, 3>> TfrmResults::TableRows() const {
    std::vector<std::array<int32_t, 3>> rows;
    const PatientFile& rec = p_.state.Record;
    for (int slot = 1; slot <= 11; ++slot)
        if (rec.Threshold[0][slot - 1] < NotMeasured)
            rows.push_back({p_.state.SlotFrequency[slot], rec.Threshold[0][slot - 1],
                            rec.Threshold[1][slot - 1]});
    return rows;
}

void TfrmResults::FormPaint(QPainter& p) {
    p.fillRect(Table->rect(), palette().window());
    p.setPen(palette().windowText().color());
    // The rule under the headings and the one after the frequency column.
    // Design positions, grown with the window when its font needs more room.
    const auto at = [this](int v) { return static_cast<int>(std::lround(v * scale_)); };
    p.drawLine(4, at(36), Table->width() - 4, at(36));
    p.drawLine(at(62), at(20), at(62), Table->height() - 4);
    const QFontMetrics fm(p.font());
    int row = 0;
    for (const auto& [hz, left, right] : TableRows()) {
        ++row;
        const int y = at(row * 15 + 40) + fm.ascent(); // the row's top, then the baseline
        p.drawText(at(10), y, QString::number(hz));
        p.drawText(at(80), y, QString::number(left));
        p.drawText(at(150), y, QString::number(right)); // 1000 included
    }
    SetCategoryText();
}

void TfrmResults::SetCategoryText() {
    Category->setText(subjectCategory_ > 0
                          ? QStringLiteral("Subject Category: %1").arg(subjectCategory_)
                          : QStringLiteral("Category cannot be calculated"));
}

void TfrmResults::OKClick() {
    close();
}

void TfrmResults::HelpButton1Click() {
    if (p_.dialogs)
        p_.dialogs->ShowHelpTopic(24);
}

void TfrmResults::PrintButtonClick() {
    OK->setEnabled(false);
    PrintButton->setEnabled(false);
    const QPalette normal = palette();
    QPalette white = normal;
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    repaint();
    // Buttons, colour and picture come back also when the print fails.
    struct Restore {
        TfrmResults& w;
        QPalette palette;
        ~Restore() {
            w.OK->setEnabled(true);
            w.PrintButton->setEnabled(true);
            w.setPalette(palette);
            w.repaint();
        }
    } restore{*this, normal};
    if (print_)
        print_(*this);
}

void TfrmResults::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormActivate();
}

void TfrmResults::changeEvent(QEvent* e) {
    QDialog::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

void TfrmResults::hideEvent(QHideEvent* e) {
    main_.setEnabled(true);
    QDialog::hideEvent(e);
}

} // namespace tonmark

#include "ui/calibration_info.h"

#include <QCloseEvent>

#include "calibration/calibration_file.h"
#include "core/errors.h"
#include "storage/file_names.h"
#include "ui/file_messages.h"
#include "ui/fit_to_text.h"
#include "ui/main_window.h"

namespace tonmark {

namespace {
QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
} // namespace

TfrmCalibrationInfo::TfrmCalibrationInfo(Program& program, TfrmMain& main, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      p_(program), main_(main) {
    setWindowTitle(QStringLiteral("Calibration Information"));
    const auto row = [this](const char* label, const char* hint, int y) {
        auto* l = new QLabel(QString::fromUtf8(label), this);
        l->setGeometry(12, y + 3, 140, 18);
        auto* e = new QLineEdit(this);
        e->setGeometry(156, y, 260, 24);
        e->setToolTip(QString::fromUtf8(hint));
        return e;
    };
    Person = row("Calibration done by:", "Enter your Name here", 12);
    Headphones = row("Headphones used:", "Enter the type of headphones used here", 44);
    Soundcard = row("Soundcard used:", "Enter the type of soundcard used here", 76);
    Soundcard->setEnabled(false);
    Comment = row("Comment:", "Add your comments here!", 108);
    DateStamp = new QLabel(QStringLiteral("Calibration finished on 1/1/98 at 10:00"), this);
    DateStamp->setGeometry(12, 142, 404, 18);
    DateStamp->setToolTip(
        QStringLiteral("System date and time. If wrong, correct in Windows Conrol Panel."));
    OKSave = new QPushButton(QStringLiteral("OK"), this);
    OKSave->setGeometry(236, 172, 86, 28);
    OKSave->setDefault(true);
    Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    Cancel->setGeometry(330, 172, 86, 28);
    setFixedSize(428, 212);
    connect(OKSave, &QPushButton::clicked, this, [this] { OKSaveClick(); });
    connect(Cancel, &QPushButton::clicked, this, [this] { CancelClick(); });
    FitToText(*this);
}

void TfrmCalibrationInfo::FormCreate() {
    std::string name;
    if (CommandLineNamesCalibration(p_.commandLineText))
        name = CommandLineFileName(p_.commandLineText);
    else if (p_.settings.ReloadCalFile)
        name = p_.settings.CalFilename;
    if (!name.empty())
        if (ReportRead(ReadCal(name, p_.calibration, p_.calibrationInfo), kMsgNotCalibration,
                       *p_.dialogs))
            p_.state.CalibrationLoaded = true;
}

void TfrmCalibrationInfo::FormActivate() {
    main_.setEnabled(false);
    const bool fresh = p_.newCalibrationPending;
    for (QLineEdit* e : {Person, Headphones, Comment})
        e->setEnabled(fresh);
    Cancel->setVisible(fresh);
    // The fields show the texts of the calibration in use, or what was last
    // typed into them.
    const CalibrationInfo& info = p_.calibrationInfo;
    Person->setText(Q(info.Person));
    Headphones->setText(Q(info.Headphones));
    Comment->setText(Q(info.Comment));
    Soundcard->setText(Q(info.Soundcard));
    if (fresh) {
        if (p_.outputLevels)
            Soundcard->setText(Q(p_.outputLevels->DeviceName()));
        Comment->setText(QStringLiteral("Calibration by Ear"));
        DateStamp->setText(
            Q("Calibration finished on " + p_.newCalibrationDate + " at " + p_.newCalibrationTime));
    } else {
        DateStamp->setText(
            Q("Calibration finished on " + info.CalibrationDate + " at " + info.CalibrationTime));
    }
}

void TfrmCalibrationInfo::KeepTexts() {
    CalibrationInfo& info = p_.calibrationInfo;
    info.Person = Person->text().toStdString();
    info.Headphones = Headphones->text().toStdString();
    info.Soundcard = Soundcard->text().toStdString();
    info.Comment = Comment->text().toStdString();
}

void TfrmCalibrationInfo::OKSaveClick() {
    if (p_.newCalibrationPending) {
        KeepTexts();
        p_.calibrationInfo.CalibrationDate = p_.newCalibrationDate;
        p_.calibrationInfo.CalibrationTime = p_.newCalibrationTime;
        for (int ear = 0; ear < kEars; ++ear)
            for (int slot = 1; slot <= 11; ++slot)
                p_.calibration[ear][slot] = p_.bioCalTable[ear][slot];
        // In use from here on, saved or not.
        p_.state.CalibrationLoaded = true;
        if (p_.files)
            if (const auto choice =
                    p_.files->SaveFile("Save Calibration Data File", "Calibration File|*.cal",
                                       p_.defaultFolder, "", "cal"))
                // A failure is reported by the general error handler; the
                // dialog stays open and nothing that was there is destroyed.
                if (const FileResult saved =
                        WriteCalibrationFile(choice->name, p_.calibration, p_.calibrationInfo);
                    !saved.Done())
                    throw TonmarkError(CannotCreateMessage(saved));
    }
    close();
}

void TfrmCalibrationInfo::CancelClick() {
    // The new calibration is dropped; the texts typed stay in the fields.
    if (p_.newCalibrationPending) {
        KeepTexts();
        p_.newCalibrationPending = false;
    }
    hide();
}

void TfrmCalibrationInfo::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormActivate();
}

void TfrmCalibrationInfo::closeEvent(QCloseEvent* e) {
    // The close box drops a new calibration as Cancel does (after OK it is in
    // use already and stays so).
    if (p_.newCalibrationPending) {
        KeepTexts();
        p_.newCalibrationPending = false;
    }
    e->accept();
}

void TfrmCalibrationInfo::hideEvent(QHideEvent* e) {
    main_.setEnabled(true);
    main_.UpdateMenuItems();
    QDialog::hideEvent(e);
}

void TfrmCalibrationInfo::reject() {
    if (Cancel->isVisible())
        CancelClick();
}

} // namespace tonmark

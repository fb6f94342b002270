#pragma once
// The results window: the thresholds per frequency and ear, the hearing
// category, the slots to retest and the repeat difference, all computed
// afresh whenever the window is activated. Shown modelessly while the main
// window is disabled.
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <functional>

#include "ui/program.h"

namespace tonmark {

class TfrmMain;
class PrinterSetup;

// The threshold table's paint box.
class TableBox : public QWidget {
  public:
    using QWidget::QWidget;
    std::function<void(QPainter&)> paint;

  protected:
    void paintEvent(QPaintEvent*) override;
};

class TfrmResults : public QDialog {
  public:
    // print prints this window's picture (the main window owns the printer).
    TfrmResults(Program& program, TfrmMain& main, std::function<void(QWidget&)> print,
                QWidget* parent = nullptr);

    void FormActivate();
    void FormPaint(QPainter& p);
    void OKClick();
    void HelpButton1Click();
    void PrintButtonClick();
    int SubjectCategory() const { return subjectCategory_; }
    // The rows the table shows: Hz, left and right threshold.
    std::vector<std::array<int32_t, 3>> TableRows() const;

    QLabel *NameLabel, *TestDateTimeLabel, *Category, *DodgyResults, *retestdev;
    TableBox* Table;
    QPushButton *HelpButton1, *PrintButton, *OK;

  protected:
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;
    void hideEvent(QHideEvent* e) override;

  private:
    void SetCategoryText();

    Program& p_;
    TfrmMain& main_;
    std::function<void(QWidget&)> print_;
    int subjectCategory_ = 0;
    double scale_ = 1; // the window's growth for its font
};

} // namespace tonmark

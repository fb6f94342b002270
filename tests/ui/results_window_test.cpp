// The results window and printing through Qt's printer into PDF files.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <cstdio>
#include <fstream>
#include <optional>

#include "core/errors.h"
#include "support/temp_folder.h"
#include "ui/help_viewer.h"
#include "ui/printing.h"
#include "ui/results_window.h"
#include "ui_fixture.h"

namespace tonmark::test {
namespace {

namespace fs = std::filesystem;

// Answers the printer setup by printing into a PDF file.
class PdfPrinterSetup final : public PrinterSetup {
  public:
    std::string path;
    bool accept = true;
    int shown = 0;
    bool Setup(QPrinter& printer, QWidget*) override {
        ++shown;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(path));
        printer.setPageOrientation(QPageLayout::Portrait);
        return accept;
    }
};

// A PDF's first page as an image, through pdftoppm.
QImage RenderPdf(const std::string& pdf) {
    const std::string png = pdf + "-page";
    const std::string cmd = "pdftoppm -png -r 150 -singlefile '" + pdf + "' '" + png + "'";
    if (std::system(cmd.c_str()) != 0)
        return {};
    QImage image(QString::fromStdString(png + ".png"));
    std::remove((png + ".png").c_str());
    return image;
}

int CountColour(const QImage& img, QColor c, int tolerance = 40) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor p = img.pixelColor(x, y);
            n += std::abs(p.red() - c.red()) + std::abs(p.green() - c.green()) +
                     std::abs(p.blue() - c.blue()) <=
                 tolerance;
        }
    return n;
}

class Results : public UiFixture {
  protected:
    Results() {
        Start();
        results = std::make_unique<TfrmResults>(program, *main,
                                                [this](QWidget& w) { main->PrintWindow(w); });
        main->SetResultsWindow(results.get());
        main->SetPrinterSetup(&printers);
        PatientFile& rec = program.state.Record;
        const int32_t left[11] = {10, 15, 20, 20, 15, 20, 25, 30, 35, NotMeasured, 40};
        const int32_t right[11] = {10, NotMeasured, 15, 20, 15, 25, 20, 30, 30, 40, 45};
        for (int slot = 1; slot <= 11; ++slot) {
            rec.Threshold[0][slot - 1] = left[slot - 1];
            rec.Threshold[1][slot - 1] = right[slot - 1];
            for (int ear = 0; ear < 2; ++ear) {
                rec.Count(ear, slot) = 6;
                rec.Spread(ear, slot) = 5;
            }
        }
        rec.Spread(1, 9) = 15;
        rec.Count(0, 2) = 4;
        rec.TestDateStamp = "09-12-2026";
        rec.TestTimeStamp = "10h30";
        program.state.AudiogramValid = true;
        main->txtFirstName->setText("Ann");
        main->txtLastName->setText("Smith");
        main->dtpDOB->setDate(QDate(1980, 5, 17));
        main->pbxAudiogramPaint();
        printers.path = (dir / "print.pdf").string();
    }
    ~Results() override { results.reset(); }

    PdfPrinterSetup printers;
    std::unique_ptr<TfrmResults> results;
};

TEST_F(Results, ShowsTheTableAndTheStatistics) {
    main->ViewResults1->setEnabled(true);
    main->ViewResults1Click();
    EXPECT_FALSE(main->isEnabled());
    ASSERT_TRUE(results->isVisible());
    // 6000 Hz left unmeasured: no row, although the right ear has a value;
    // 250 Hz right unmeasured: 1000 in its column.
    const auto rows = results->TableRows();
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows[1], (std::array<int32_t, 3>{250, 15, 1000}));
    for (const auto& r : rows)
        EXPECT_NE(r[0], 6000);
    EXPECT_EQ(results->NameLabel->text(),
              "Ann Smith " + QLocale::system().toString(QDate(1980, 5, 17), QLocale::ShortFormat));
    EXPECT_EQ(results->TestDateTimeLabel->text(), main->lblDateTime->text());
    // Unmeasured 6000 Hz left: no category.
    EXPECT_EQ(results->Category->text(), "Category cannot be calculated");
    program.settings.MinReversals.SetText("6");
    results->FormActivate();
    EXPECT_EQ(results->DodgyResults->text(), "Retest recommended for: 250Hz (L); 4000Hz (R); ");
    program.settings.MinReversals.SetText("4");
    results->FormActivate();
    EXPECT_EQ(results->DodgyResults->text(), "Retest recommended for: 4000Hz (R); ");
    EXPECT_EQ(results->retestdev->text(), "");

    program.state.Record.Threshold[0][9] = 35; // 6000 Hz left measured now
    results->FormActivate();
    EXPECT_EQ(results->Category->text(), "Subject Category: 4"); // 46 years, high sums 100
    results->HelpButton1->click();
    EXPECT_EQ(dialogs.helpTopics.back(), 24);
    results->OK->click();
    EXPECT_FALSE(results->isVisible());
    EXPECT_TRUE(main->isEnabled());
}

TEST_F(Results, SaysHowManyPulsesTheOutputBrokeUntilTheRecordIsReplaced) {
    program.state.RepeatedPulses = 3;
    main->ViewResults1->setEnabled(true);
    main->ViewResults1Click();
    EXPECT_EQ(results->retestdev->text(), "3 pulses were played again during this test because "
                                          "the sound output dropped part of them.");
    results->OK->click();
    main->New1Click();
    results->FormActivate();
    EXPECT_EQ(results->retestdev->text(), "");
}

TEST_F(Results, PrintsTheMainWindowOnWhiteAndRestoresIt) {
    program.settings.CalFilename = "/cal/headset.cal";
    const uint32_t chart = program.settings.GraphColour(3);
    QImage pages[2];
    for (bool withCalLine : {false, true}) {
        SCOPED_TRACE(withCalLine);
        program.settings.PrintCalFile = withCalLine;
        main->Print1Click();
        EXPECT_EQ(printers.shown, withCalLine ? 2 : 1);
        pages[withCalLine] = RenderPdf(printers.path);
        ASSERT_FALSE(pages[withCalLine].isNull());
        // Restored: the chart's colour, the window's, the hidden line.
        EXPECT_EQ(program.settings.ChartColour, chart);
        EXPECT_FALSE(main->lblCalFilename->isVisible());
        EXPECT_EQ(main->lblCalFilename->text(), "Calibration Filename: /cal/headset.cal");
    }
    // On white, with the grey grid and the red and blue symbols.
    const QImage& page = pages[0];
    EXPECT_GT(CountColour(page, Qt::white), page.width() * page.height() / 2);
    EXPECT_GT(CountColour(page, QColor(128, 128, 128)), 100);
    int reddish = 0, bluish = 0; // the symbols and their lines, smoothed by the scaling
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            reddish += c.red() > c.green() + 60 && c.red() > c.blue() + 60;
            bluish += c.blue() > c.green() + 60 && c.blue() > c.red() + 60;
        }
    EXPECT_GT(reddish, 100);
    EXPECT_GT(bluish, 100);
    // The calibration line is there only when asked for.
    EXPECT_NE(pages[0], pages[1]);
}

TEST_F(Results, CancelledOrFailingPrintsChangeNothing) {
    printers.accept = false;
    main->Print1Click();
    EXPECT_FALSE(fs::exists(printers.path)) << "cancelled: nothing printed";
    printers.accept = true;
    printers.path = "/nonexistent-folder/print.pdf";
    program.settings.PrintCalFile = true;
    EXPECT_THROW(main->Print1Click(), TonmarkError);
    EXPECT_EQ(program.settings.ChartColour, program.settings.GraphColour(3));
    EXPECT_EQ(program.settings.MainWindowColour, program.settings.GraphColour(4));
    EXPECT_FALSE(main->lblCalFilename->isVisible());
}

TEST_F(Results, PrintsTheResultsWindowWithGreyedButtons) {
    bool okDuringPrint = true, printDuringPrint = true;
    QColor background;
    TfrmResults window(program, *main, [&](QWidget& w) {
        okDuringPrint = window.OK->isEnabled();
        printDuringPrint = window.PrintButton->isEnabled();
        background = w.palette().window().color();
        main->PrintWindow(w);
    });
    window.show();
    printers.Setup(main->Printer(), nullptr);
    window.PrintButton->click();
    EXPECT_FALSE(okDuringPrint);
    EXPECT_FALSE(printDuringPrint);
    EXPECT_EQ(background, QColor(Qt::white));
    EXPECT_TRUE(window.OK->isEnabled());
    EXPECT_TRUE(window.PrintButton->isEnabled());
    EXPECT_NE(window.palette().window().color(), QColor(Qt::white));
    EXPECT_FALSE(RenderPdf(printers.path).isNull());
    window.close();
}

std::string FileBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The results window prints without a printer dialog: with "Print to File"
// its print must not replace the main window's printout of a moment ago.
TEST_F(Results, APrintWithoutDialogKeepsTheEarlierPrintout) {
    struct Case {
        const char* what;
        std::optional<std::string> answer; // the file dialog's answer; nullopt = Cancel
        const char* printedTo;             // where the second printout lands, "" = nowhere
    } const cases[] = {
        {"the proposal taken", "print-2.pdf", "print-2.pdf"},
        {"another name typed", "mine.pdf", "mine.pdf"},
        {"cancelled", std::nullopt, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* name : {"print.pdf", "print-2.pdf", "mine.pdf"})
            fs::remove(dir / name);
        printers.path = (dir / "print.pdf").string();
        main->Print1Click();
        const std::string first = FileBytes(dir / "print.pdf");
        ASSERT_FALSE(first.empty());
        files.saves.clear();
        if (c.answer)
            files.saves.push_back(FileDialogs::SaveChoice{(dir / *c.answer).string(), 1});
        else
            files.saves.push_back(std::nullopt);
        results->show();
        results->PrintButton->click();
        results->hide();
        EXPECT_EQ(files.lastSuggested, "print-2.pdf");
        EXPECT_EQ(files.lastFolder, dir.string());
        EXPECT_TRUE(FileBytes(dir / "print.pdf") == first) << "the main window's printout stays";
        if (*c.printedTo) {
            EXPECT_FALSE(RenderPdf((dir / c.printedTo).string()).isNull());
        } else {
            EXPECT_FALSE(fs::exists(dir / "print-2.pdf"));
            EXPECT_TRUE(results->PrintButton->isEnabled());
        }
    }
}

TEST(Printing, AFreshFileNameCountsOnPastTakenNames) {
    const TempFolder temp("fresh");
    const fs::path& d = temp.Path();
    for (const char* taken : {"a.pdf", "a-2.pdf", "b-7.pdf", "noext"})
        std::ofstream(d / taken) << "x";
    const struct {
        const char* from;
        const char* fresh;
    } cases[] = {{"a.pdf", "a-3.pdf"}, {"b-7.pdf", "b-8.pdf"}, {"noext", "noext-2"}};
    for (const auto& c : cases)
        EXPECT_EQ(FreshPrintFileName((d / c.from).string()), (d / c.fresh).string()) << c.from;
}

TEST(Printing, PhysicalSizeWhenItFitsElseScaledDown) {
    const QSizeF printable(4500, 6600); // A4 portrait at 600 dpi, less margins
    // 600 x 400 screen pixels at 96 dpi: 6.25 x 4.17 inches, fits.
    const QSizeF small = PrintedSize(QSize(600, 400), {96, 96}, {600, 600}, printable);
    EXPECT_DOUBLE_EQ(small.width(), 3750);
    EXPECT_DOUBLE_EQ(small.height(), 2500);
    // The main window at 894 pixels is 9.3 inches: scaled to the width.
    const QSizeF wide = PrintedSize(QSize(894, 603), {96, 96}, {600, 600}, printable);
    EXPECT_DOUBLE_EQ(wide.width(), 4500);
    EXPECT_NEAR(wide.height() / wide.width(), 603.0 / 894.0, 1e-9);
}

TEST(HelpFolder, BesideTheProgramElseWhereItIsInstalled) {
    const TempFolder temp("help");
    const fs::path root = temp.Path();
    fs::create_directories(root / "bin");
    fs::create_directories(root / "share/tonmark/help");
    EXPECT_EQ(HelpFolderBeside(QString::fromStdString((root / "bin").string())).toStdString(),
              fs::canonical(root / "share/tonmark/help").string());
    fs::create_directories(root / "bin/help");
    EXPECT_EQ(HelpFolderBeside(QString::fromStdString((root / "bin").string())).toStdString(),
              (root / "bin/help").string());
}

} // namespace
} // namespace tonmark::test

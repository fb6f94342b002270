#pragma once
// The real-time test window: the ear and frequency under test in its caption,
// the level of every pulse of the current slot on a decibel grid, the light of
// the response button and the button that ends the familiarisation or cancels
// the test. Created once, shown and hidden by the test run.
//
// Threading: user-interface thread. Its handlers run from the normal event
// loop, between two steps of a run (or inside a modal box the run shows);
// they only set ResponsePressed and StopRequested.
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QPushButton>

#include "ui/program.h"
#include "ui/response_key_filter.h"

namespace tonmark {

class GdiCanvas;

// A filled circle of one colour.
class CircleShape : public QWidget {
  public:
    CircleShape(QColor colour, QWidget* parent) : QWidget(parent), colour_(colour) {}
    void SetColour(QColor colour) {
        colour_ = colour;
        update();
    }
    QColor Colour() const { return colour_; }

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    QColor colour_;
};

// The graph's paint box: every expose repaints it whole through its owner.
class GraphBox : public QWidget {
  public:
    using QWidget::QWidget;
    std::function<void()> paint;
    QImage picture;

  protected:
    void paintEvent(QPaintEvent*) override;
};

class TfrmTest : public QDialog {
  public:
    explicit TfrmTest(Program& program, QWidget* parent = nullptr);

    void FormCreate();
    // The empty grid, on the graph's picture.
    void PaintAxes(GdiCanvas& canvas);
    // The grid and the current slot's trace in the ear's colour, from the
    // run's state; also after a colour change in the settings.
    void GraphPaint();
    // Shows the light exactly when pressed is true; called at polls only.
    void SetLight(bool pressed);
    bool LightShown() const { return light->isVisibleTo(this); }

    // A show, also of the window that is already up (the run shows it at
    // every slot), raises it and asks for the keyboard, so that the CTRL key
    // of the subject reaches it after a message box or another window had
    // it. While shown, the CTRL key also counts from the program's other
    // windows.
    void setVisible(bool visible) override;

    void FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void FormKeyUp();
    void NextClick();

    GraphBox* Graph;
    CircleShape* shpLightBackground; // the black circle the light sits on
    CircleShape* light;
    QLabel* lblResponseButtonState;
    QPushButton* Next;

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    // Escape: the Next button is the window's cancel button.
    void reject() override;

  private:
    Program& p_;
    ResponseKeyFilter otherWindowsKeys_{*this};
};

} // namespace tonmark

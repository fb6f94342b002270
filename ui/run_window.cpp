#include "ui/run_window.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <algorithm>

#include "ui/fit_to_text.h"
#include "ui/gdi_canvas.h"

namespace tonmark {

namespace {

// The graph's own background: the system's button face.
const QColor kGraphFace = ColourFromStored(kButtonFace);

} // namespace

void CircleShape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::black);
    p.setBrush(colour_);
    p.drawEllipse(rect().adjusted(0, 0, -1, -1));
}

void GraphBox::paintEvent(QPaintEvent*) {
    if (paint)
        paint();
    QPainter(this).drawImage(0, 0, picture);
}

TfrmTest::TfrmTest(Program& program, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      p_(program) {
    setWindowTitle(QStringLiteral("Real Time Audiogram"));
    setModal(false);
    setFixedSize(457, 379);
    Graph = new GraphBox(this);
    Graph->setGeometry(10, 10, 431, 320);
    Graph->paint = [this] { GraphPaint(); };
    shpLightBackground = new CircleShape(Qt::black, this);
    shpLightBackground->setGeometry(19, 340, 26, 24);
    light = new CircleShape(Qt::red, this);
    light->setGeometry(19, 340, 26, 24);
    lblResponseButtonState = new QLabel(QStringLiteral("Response Button State"), this);
    lblResponseButtonState->move(50, 345);
    lblResponseButtonState->adjustSize();
    Next = new QPushButton(this);
    Next->setGeometry(335, 340, 92, 30);
    // Enter must not cancel a test; only Escape and a click do.
    Next->setAutoDefault(false);
    Next->setDefault(false);
    Next->installEventFilter(this);
    connect(Next, &QPushButton::clicked, this, [this] { NextClick(); });
    FormCreate();
    // The graph keeps its pixel positions; the window grows around them.
    FitToText(*this);
}

void TfrmTest::FormCreate() {
    Next->setText(QStringLiteral("Next ->"));
}

void TfrmTest::PaintAxes(GdiCanvas& c) {
    const QPoint pos = c.PenPosition();
    const QColor pen = c.Pen();
    c.SetPen(kGraphFace);
    c.SetBrush(GdiCanvas::Brush::Solid, kGraphFace);
    c.Rectangle(0, 0, 349, 299);
    c.SetPen(ColourFromStored(p_.settings.GraphColour(2)));
    QFont font = this->font();
    font.setPixelSize(9);
    c.SetFont(font);
    for (int i = 0; i <= 9; ++i) {
        c.MoveTo(22, 30 * i + 10);
        c.LineTo(325, 30 * i + 10);
        c.TextOut(7, 30 * i + 4, QString::number(10 * i - 10));
    }
    c.MoveTo(24, 10);
    c.LineTo(24, 280);
    c.LineTo(326, 280);
    c.TextOut(26, 4, QStringLiteral("dB"));
    c.MoveTo(pos.x(), pos.y());
    c.SetPen(pen);
}

void TfrmTest::GraphPaint() {
    QImage& img = Graph->picture;
    if (img.size() != Graph->size())
        img = QImage(Graph->size(), QImage::Format_RGB32);
    GdiCanvas c(img);
    c.SetBrush(GdiCanvas::Brush::Solid, kGraphFace);
    c.FillAll();
    PaintAxes(c);
    const TestRunState& run = p_.state.Run;
    c.SetPen(ColourFromStored(p_.settings.GraphColour(run.CurrentEar == 0 ? 0 : 1)));
    const int last = std::min(run.PulseCount, kLevelTraceSize - 1);
    for (int n = 1; n <= last; ++n) {
        c.MoveTo(25 + (n - 1) * run.TraceStep, run.LevelTrace[n - 1]);
        c.LineTo(25 + n * run.TraceStep, run.LevelTrace[n]);
    }
    Graph->update();
}

void TfrmTest::SetLight(bool pressed) {
    light->setVisible(pressed);
}

void TfrmTest::setVisible(bool visible) {
    QDialog::setVisible(visible);
    // Not in showEvent: a show of a visible window sends none. And not off at
    // a hideEvent, which also comes when the window manager minimises it
    // during a run.
    otherWindowsKeys_.SetActive(isVisible());
    if (visible) {
        raise();
        activateWindow();
    }
}

void TfrmTest::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    // Whether CTRL is held at this key-down: CTRL itself and its auto-repeat
    // say yes, another key pressed without it says no.
    p_.state.ResponsePressed = key == Qt::Key_Control || (modifiers & Qt::ControlModifier);
    if (p_.state.ResponsePressed)
        p_.state.ResponseSincePoll = true;
}

void TfrmTest::FormKeyUp() {
    p_.state.ResponsePressed = false;
}

void TfrmTest::NextClick() {
    p_.state.StopRequested = true;
}

bool TfrmTest::eventFilter(QObject* watched, QEvent* e) {
    if (watched == Next) {
        if (e->type() == QEvent::KeyPress) {
            auto* k = static_cast<QKeyEvent*>(e);
            FormKeyDown(k->key(), k->modifiers());
        } else if (e->type() == QEvent::KeyRelease) {
            FormKeyUp();
        }
    }
    return QDialog::eventFilter(watched, e);
}

void TfrmTest::keyPressEvent(QKeyEvent* e) {
    FormKeyDown(e->key(), e->modifiers());
    QDialog::keyPressEvent(e); // Escape goes on to reject()
}

void TfrmTest::keyReleaseEvent(QKeyEvent* e) {
    FormKeyUp();
    QDialog::keyReleaseEvent(e);
}

void TfrmTest::closeEvent(QCloseEvent* e) {
    p_.state.StopRequested = true;
    e->accept(); // the window hides; the run shows it again at its next slot
}

void TfrmTest::reject() {
    NextClick();
}

} // namespace tonmark

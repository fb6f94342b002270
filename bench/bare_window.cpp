// The yardstick for start-up: a bare Qt window with a menu bar and a label,
// quitting as soon as it has been shown, as Tonmark does under
// TONMARK_QUIT_WHEN_SHOWN.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("&File"))->addAction(QStringLiteral("&Open"));
    window.setCentralWidget(new QLabel(QStringLiteral("Tonmark")));
    window.resize(800, 600);
    window.show();
    QApplication::processEvents();
    return 0;
}

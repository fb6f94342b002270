#pragma once
// The two boxes the chart paints: the chart itself and the threshold strip
// under it. Each shows the picture the main window's paint routine drew for
// it, and asks for a new one when its size no longer matches.
#include <QImage>
#include <QWidget>
#include <functional>

namespace tonmark {

class PictureBox : public QWidget {
  public:
    explicit PictureBox(QWidget* parent) : QWidget(parent) {}
    // Called when the picture must be drawn again for the current size.
    std::function<void()> repaintAll;
    QImage picture;

  protected:
    void paintEvent(QPaintEvent*) override;
};

} // namespace tonmark

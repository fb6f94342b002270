#pragma once
// Drawing with the rules the chart's pixel positions were laid out for: a
// line leaves out its end pixel, rectangles and ellipses leave out their
// right and bottom edges, a hatched brush paints only its lines, and text is
// placed by the top-left corner of its cell. Draws into a QImage, which the
// windows show and the tool saves.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QString>
#include <cstdint>

namespace tonmark {

// A colour as the settings store it: 0x00BBGGRR, or a system colour code
// (0x80000000 | index) for the window colours.
QColor ColourFromStored(uint32_t stored);

class GdiCanvas {
  public:
    enum class Brush { Solid, ForwardDiagonalHatch };

    explicit GdiCanvas(QImage& image) : image_(image) {}

    QImage& Image() { return image_; }
    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }

    void SetPen(QColor c) { pen_ = c; }
    QColor Pen() const { return pen_; }
    void SetBrush(Brush style, QColor c) {
        brushStyle_ = style;
        brush_ = c;
    }
    void SetFont(const QFont& f) { font_ = f; }
    QPoint PenPosition() const { return pos_; }

    // Clears the whole canvas with the brush colour.
    void FillAll();
    void MoveTo(int x, int y) { pos_ = {x, y}; }
    // Draws from the pen position to (x, y), without the end pixel.
    void LineTo(int x, int y);
    // Outline in the pen colour, inside in the brush; x2 and y2 exclusive.
    void Rectangle(int x1, int y1, int x2, int y2);
    void Ellipse(int x1, int y1, int x2, int y2);
    // Text cell filled with a solid brush's colour behind the letters.
    void TextOut(int x, int y, const QString& text);

  private:
    void Plot(int x, int y, QColor c);

    QImage& image_;
    QColor pen_{Qt::black};
    QColor brush_{Qt::white};
    Brush brushStyle_ = Brush::Solid;
    QFont font_;
    QPoint pos_{0, 0};
};

} // namespace tonmark

#pragma once
// The About box: the product picture, the version, OK and Help.
#include <QDialog>
#include <functional>

namespace tonmark {

class AboutBox : public QDialog {
  public:
    // showHelp opens a help topic by context number.
    AboutBox(std::function<void(int)> showHelp, QWidget* parent = nullptr);
    std::function<void()> onHide; // enables the main window again

  protected:
    void hideEvent(QHideEvent* e) override;
};

} // namespace tonmark

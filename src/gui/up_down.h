#pragma once
// A stand-alone up-down control: two small arrow buttons holding a position within a range, the
// counterpart of the spin buttons that sit beside an edit field.

#include <QWidget>

class QToolButton;

namespace mivo {

class UpDown : public QWidget {
    Q_OBJECT
  public:
    explicit UpDown(bool vertical, QWidget* parent = nullptr);
    int position() const { return pos_; }
    void setPosition(int pos); // no signal
    void setRange(int lo, int hi);

  signals:
    // The user moved the position (arrow click, wheel or arrow key).
    void stepped(int newPos);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    void step(int delta);
    QToolButton* up_;
    QToolButton* down_;
    int pos_ = 0, lo_ = 0, hi_ = 100;
};

} // namespace mivo

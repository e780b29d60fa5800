#pragma once
// The picture box of a preview page: the program's picture, drawn straight from its buffer, shaped by
// the aspect ratio's display size and scaled to the box with smooth filtering.

#include "core/control_model.h"

#include <QFrame>

namespace mivo {

class PreviewBox : public QFrame {
    Q_OBJECT
  public:
    explicit PreviewBox(QWidget* parent = nullptr);
    // The pixels stay the program's; the box only keeps where they are.
    void setImage(const PictureImage& image);
    // Where the picture lands within the box; empty when nothing is drawn.
    QRect pictureRect() const;

  signals:
    // A paint that drew a picture (start-up measures the first one).
    void picturePainted();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    PictureImage image_;
};

} // namespace mivo

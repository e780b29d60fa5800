#pragma once
// A push button whose label is shortened in the middle when it is wider than the button: the file
// buttons show paths of up to 48 characters, more than their width holds in most desktop fonts, and a
// clipped label loses both its "output:" start and the file name at its end. The whole text stays the
// label's tool tip; the control model always keeps the whole text.

#include <QPushButton>

namespace mivo {

class FittedButton : public QPushButton {
  public:
    explicit FittedButton(QWidget* parent = nullptr) : QPushButton(parent) {}
    void setFullText(const QString& text);
    // Pixels the label may take: the button's width less the style's margins and frame.
    int labelRoom() const;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void fit();
    QString full_;
};

} // namespace mivo

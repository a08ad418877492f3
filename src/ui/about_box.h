#pragma once

#include <QDialog>
#include <QImage>
#include <QSize>

namespace tavro {

// The about box (frmAbout): a small fixed, modeless dialog over a painted gradient.
// At most one exists; openBox() creates it or brings the existing one to the front,
// and closing it in any way destroys it.
class AboutBox : public QDialog {
    Q_OBJECT

  public:
    // Shows the box, creating it first if none is open, and raises and activates it.
    // (Named openBox because QDialog::open() is a virtual slot a static cannot share a
    // name with.)
    static AboutBox* openBox();
    // The open box, or nullptr once it has been closed.
    static AboutBox* current();

    ~AboutBox() override;

    // The background painted when the box was made; repaints only copy it.
    const QImage& backgroundImage() const { return background_; }

    // Paints the gradient for a client area of `size` logical pixels at `devicePixelRatio`.
    static QImage paintGradient(QSize size, qreal devicePixelRatio);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    AboutBox();

    QImage background_;
};

}  // namespace tavro

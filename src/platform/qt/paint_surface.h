// The part of a dialog that shows a picture: its handler's EvPaint draws on a
// QtCanvas over an image the size of the surface, which is then copied to the
// screen. A frame control (the chart's "Frame1") sits at the surface's top-left
// corner; the surface extends beyond it for the painter's labels.
#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

namespace kv {

class QtDialog;

class PaintSurface final : public QWidget {
 public:
  // frame: the frame control's rectangle inside the surface (an etched border
  // is drawn around it), or an empty rectangle when the picture covers the
  // whole surface.
  PaintSurface(QtDialog& dlg, QWidget* parent, QRect frame);

  // The picture as the window shows it.
  QImage Render();
  QRect frame() const { return frame_; }
  int paint_count() const { return paints_; }
  // The dialog is going away before the widget does.
  void Detach() { dlg_ = nullptr; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QtDialog* dlg_;
  QRect frame_;
  int paints_ = 0;
  bool painting_ = false;
};

}  // namespace kv

#include "platform/qt/paint_surface.h"

#include <QPainter>
#include <QPalette>
#include <exception>

#include "platform/qt/qt_canvas.h"
#include "platform/qt/qt_dialog.h"

namespace kv {

PaintSurface::PaintSurface(QtDialog& dlg, QWidget* parent, QRect frame)
    : QWidget(parent), dlg_(&dlg), frame_(frame) {
  // Every pixel comes from the picture: no background fill by Qt first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage PaintSurface::Render() {
  QImage image(size(), QImage::Format_RGB32);
  image.fill(palette().color(QPalette::Window));
  if (!frame_.isEmpty()) {
    // The etched border of the frame control; the picture covers its inside.
    QPainter p(&image);
    QRect r = frame_.adjusted(0, 0, -1, -1);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(r);
    p.setPen(palette().color(QPalette::Light));
    p.drawRect(r.adjusted(1, 1, -1, -1));
  }
  WindowHandler* h = dlg_ ? dlg_->Handler() : nullptr;
  if (h && !painting_) {
    // A painter that asks for another repaint while it draws gets it later,
    // never recursively.
    painting_ = true;
    Rect client = frame_.isEmpty() ? Rect{0, 0, width(), height()}
                                   : Rect{0, 0, frame_.width(), frame_.height()};
    QPoint origin = frame_.isEmpty() ? QPoint(0, 0) : frame_.topLeft();
    try {
      QtCanvas canvas(image, client, origin);
      h->EvPaint(canvas);
    } catch (const std::exception&) {
      // The painters end their drawing on any failure; what was drawn stays.
    }
    painting_ = false;
  }
  return image;
}

void PaintSurface::paintEvent(QPaintEvent*) {
  ++paints_;
  QImage image = Render();
  QPainter p(this);
  p.drawImage(0, 0, image);
}

}  // namespace kv

#include "platform/qt/qt_canvas.h"

#include <QBuffer>
#include <QByteArray>
#include <QFont>
#include <QGuiApplication>
#include <clocale>
#include <QPolygon>
#include <QRect>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/raster.h"
#include "util/atomic_file.h"

namespace kv {

namespace {

QColor ToQ(Color c) { return QColor(c.r, c.g, c.b); }

}  // namespace

QString ResolveFontFace(const std::string& face) {
  if (face == "Courier New") return QStringLiteral("DejaVu Sans Mono");
  if (face == "MS Sans Serif") return QStringLiteral("DejaVu Sans");
  return QString::fromStdString(face);
}

QtCanvas::QtCanvas(QImage& image, Rect client, QPoint origin)
    : image_(image), client_(client), origin_(origin), painter_(&image) {
  painter_.setRenderHint(QPainter::Antialiasing, false);
  painter_.setRenderHint(QPainter::TextAntialiasing, true);
  painter_.translate(origin_);
}

QtCanvas::~QtCanvas() { painter_.end(); }

void QtCanvas::Stroke(Point from, Point to) {
  const Pen& p = pen();
  if (p.style == PenStyle::Null) return;
  // One-pixel lines are set pixel by pixel, so that the window, the PNG and
  // the test recorder agree exactly; wider pens are rare and drawn by Qt.
  if (p.width <= 1) {
    QRgb rgb = qRgb(p.color.r, p.color.g, p.color.b);
    const int w = image_.width(), h = image_.height();
    raster::Line(from, to, p.style, [&](int x, int y) {
      int ix = x + origin_.x(), iy = y + origin_.y();
      if (ix >= 0 && iy >= 0 && ix < w && iy < h) image_.setPixel(ix, iy, rgb);
    });
    return;
  }
  QPen qp(ToQ(p.color));
  qp.setWidth(p.width);
  qp.setStyle(p.style == PenStyle::DashDot ? Qt::DashDotLine : Qt::SolidLine);
  painter_.setPen(qp);
  painter_.drawLine(from.x, from.y, to.x, to.y);
}

void QtCanvas::DrawLine(Point from, Point to) { Stroke(from, to); }

void QtCanvas::Polyline(const Point* pts, int count) {
  if (!pts) return;
  for (int i = 0; i + 1 < count; ++i) Stroke(pts[i], pts[i + 1]);
}

void QtCanvas::Polygon(const Point* pts, int count) {
  if (!pts || count <= 0) return;
  if (!brush().null) {
    // Same fill rule as the recorder: pixel centres, even-odd.
    QColor c = ToQ(brush().color);
    raster::FillPolygon(pts, count, [&](int y, int x0, int x1) {
      painter_.fillRect(QRect(x0, y, x1 - x0, 1), c);
    });
  }
  for (int i = 0; i < count; ++i) {
    Point a = pts[i], b = pts[(i + 1) % count];
    Stroke(a, b);
    if (pen().style != PenStyle::Null && pen().width <= 1) SetPixelRaw(b.x, b.y, pen().color);
  }
}

void QtCanvas::FillRect(const Rect& r, Color c) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  painter_.fillRect(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top), ToQ(c));
}

void QtCanvas::DrawText(std::string_view text, const Rect& r, unsigned flags) {
  QFont f(ResolveFontFace(font().face));
  f.setPixelSize(std::max(1, font().height));
  f.setWeight(font().weight >= FW_BOLD ? QFont::Bold : QFont::Normal);
  painter_.setFont(f);
  painter_.setPen(ToQ(text_color()));
  if (bk_mode() == BkMode::Opaque) {
    painter_.setBackgroundMode(Qt::OpaqueMode);
    painter_.setBackground(QBrush(ToQ(bk_color())));
  } else {
    painter_.setBackgroundMode(Qt::TransparentMode);
  }
  int qflags = 0;
  if (flags & DT_CENTER)
    qflags |= Qt::AlignHCenter;
  else if (flags & DT_RIGHT)
    qflags |= Qt::AlignRight;
  else
    qflags |= Qt::AlignLeft;
  if (flags & DT_SINGLELINE) {
    qflags |= Qt::TextSingleLine;
    if (flags & DT_VCENTER)
      qflags |= Qt::AlignVCenter;
    else if (flags & DT_BOTTOM)
      qflags |= Qt::AlignBottom;
    else
      qflags |= Qt::AlignTop;
  } else {
    qflags |= Qt::AlignTop;
  }
  if (flags & DT_NOCLIP) qflags |= Qt::TextDontClip;
  QRect qr(r.left, r.top, r.right - r.left, r.bottom - r.top);
  QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  if (flags & DT_NOCLIP) {
    painter_.drawText(qr, qflags, s);
  } else {
    painter_.save();
    painter_.setClipRect(qr);
    painter_.drawText(qr, qflags, s);
    painter_.restore();
  }
}

Color QtCanvas::GetPixel(int x, int y) const {
  int ix = x + origin_.x(), iy = y + origin_.y();
  if (ix < 0 || iy < 0 || ix >= image_.width() || iy >= image_.height()) return Color{};
  QRgb v = image_.pixel(ix, iy);
  return Rgb(qRed(v), qGreen(v), qBlue(v));
}

void QtCanvas::SetPixel(int x, int y, Color c) { SetPixelRaw(x, y, c); }

void QtCanvas::SetPixelRaw(int x, int y, Color c) {
  int ix = x + origin_.x(), iy = y + origin_.y();
  if (ix < 0 || iy < 0 || ix >= image_.width() || iy >= image_.height()) return;
  image_.setPixel(ix, iy, qRgb(c.r, c.g, c.b));
}

bool EnsureGuiApplication() {
  if (QGuiApplication::instance()) return true;
  // Pictures are drawn without a display, whatever the environment says.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "kestrivane-cli";
  static char* argv[] = {name, nullptr};
  // Without a session the offscreen platform notes a missing runtime folder,
  // which means nothing for drawing into an image: keep it off the console.
  QtMessageHandler previous = qInstallMessageHandler(
      [](QtMsgType type, const QMessageLogContext&, const QString& msg) {
        if (msg.startsWith(QLatin1String("QStandardPaths:"))) return;
        if (type != QtDebugMsg) std::fprintf(stderr, "%s\n", qPrintable(msg));
      });
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  std::setlocale(LC_NUMERIC, "C");  // keep "%f" and strtod with a decimal point
  qInstallMessageHandler(previous);
  return app != nullptr;
}

bool SaveImagePng(const QImage& image, const std::string& path, std::string& error) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) {
    error = "cannot encode the picture";
    return false;
  }
  // A picture is output like a report: a pipe or terminal gets the bytes.
  std::string why;
  if (!WriteOutputFile(path, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())),
                       &why)) {
    error = "cannot write the picture: " + why;
    return false;
  }
  return true;
}

}  // namespace kv

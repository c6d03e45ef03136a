// The drawing surface over a QImage: QPainter draws text, fills and polygons,
// lines follow the shared pixel rules, and single pixels are read and written
// on the image itself (the projection bands brighten what is already there).
// Windows paint into an image and copy it to the screen; the chart command of
// kestrivane-cli saves the image as a PNG file.
#pragma once

#include <QImage>
#include <QPainter>
#include <QPoint>
#include <string>

#include "platform/canvas.h"

namespace kv {

class QtCanvas final : public Canvas {
 public:
  // Draws on image (Format_RGB32 or ARGB32). origin is where the surface's
  // (0, 0) lies in the image (for a chart in a frame: the frame's top-left);
  // client is the control rectangle in surface coordinates.
  QtCanvas(QImage& image, Rect client, QPoint origin = QPoint(0, 0));
  ~QtCanvas() override;

  Rect ClientRect() const override { return client_; }
  void Polyline(const Point* pts, int count) override;
  void Polygon(const Point* pts, int count) override;
  void FillRect(const Rect& r, Color c) override;
  void DrawText(std::string_view text, const Rect& r, unsigned flags) override;
  Color GetPixel(int x, int y) const override;
  void SetPixel(int x, int y, Color c) override;

  QPainter& painter() { return painter_; }

 protected:
  void DrawLine(Point from, Point to) override;

 private:
  void Stroke(Point from, Point to);
  void SetPixelRaw(int x, int y, Color c);

  QImage& image_;
  Rect client_;
  QPoint origin_;
  QPainter painter_;
};

// The face behind a font name: "Courier New" becomes DejaVu Sans Mono, the
// dialog face "MS Sans Serif" DejaVu Sans; other names are used as given.
QString ResolveFontFace(const std::string& face);

// Paints a picture offscreen and saves it as a PNG file: an image of
// width x height filled with the dialog colour, a surface on it with the given
// origin and client rectangle, then paint(surface). Starts an offscreen
// QGuiApplication when none runs. False with a reason when the file cannot be
// written.
template <class Paint>
bool PaintToPng(int width, int height, Rect client, QPoint origin, const std::string& path,
                std::string& error, Paint paint);

// What PaintToPng needs outside the template.
bool EnsureGuiApplication();
bool SaveImagePng(const QImage& image, const std::string& path, std::string& error);
constexpr Color kDialogFace{240, 240, 240};

template <class Paint>
bool PaintToPng(int width, int height, Rect client, QPoint origin, const std::string& path,
                std::string& error, Paint paint) {
  if (!EnsureGuiApplication()) {
    error = "cannot start the offscreen drawing system";
    return false;
  }
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(QColor(kDialogFace.r, kDialogFace.g, kDialogFace.b));
  {
    QtCanvas canvas(image, client, origin);
    paint(static_cast<Canvas&>(canvas));
  }
  return SaveImagePng(image, path, error);
}

}  // namespace kv

#include "platform/headless/recording_canvas.h"

#include <algorithm>

#include "platform/raster.h"

namespace kv {

RecordingCanvas::RecordingCanvas(int width, int height, Rect client, Color background)
    : width_(std::max(0, width)),
      height_(std::max(0, height)),
      client_(client == Rect{} ? Rect{0, 0, width_, height_} : client),
      buffer_(static_cast<size_t>(width_) * static_cast<size_t>(height_), background) {}

void RecordingCanvas::Put(int x, int y, Color c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  buffer_[static_cast<size_t>(y) * width_ + x] = c;
}

void RecordingCanvas::Stroke(Point from, Point to) {
  const Pen& p = pen();
  raster::Line(from, to, p.style, [&](int x, int y) {
    // Wider pens grow around the one-pixel line.
    int w = std::max(1, p.width);
    for (int dy = 0; dy < w; ++dy)
      for (int dx = 0; dx < w; ++dx) Put(x - (w - 1) / 2 + dx, y - (w - 1) / 2 + dy, p.color);
  });
}

void RecordingCanvas::DrawLine(Point from, Point to) {
  lines_.push_back({from, to, pen()});
  Stroke(from, to);
}

void RecordingCanvas::Polyline(const Point* pts, int count) {
  if (!pts || count <= 0) return;
  polylines_.push_back({std::vector<Point>(pts, pts + count), pen(), Brush::None()});
  for (int i = 0; i + 1 < count; ++i) Stroke(pts[i], pts[i + 1]);
}

void RecordingCanvas::Polygon(const Point* pts, int count) {
  if (!pts || count <= 0) return;
  polygons_.push_back({std::vector<Point>(pts, pts + count), pen(), brush()});
  if (!brush().null) {
    Color c = brush().color;
    raster::FillPolygon(pts, count, [&](int y, int x0, int x1) {
      for (int x = x0; x < x1; ++x) Put(x, y, c);
    });
  }
  // The outline closes the figure and, unlike an open line, covers its corners.
  for (int i = 0; i < count; ++i) {
    Point a = pts[i], b = pts[(i + 1) % count];
    Stroke(a, b);
    if (pen().style != PenStyle::Null) Put(b.x, b.y, pen().color);
  }
}

void RecordingCanvas::FillRect(const Rect& r, Color c) {
  fills_.push_back({r, c});
  int x0 = std::max(r.left, 0), x1 = std::min(r.right, width_);
  int y0 = std::max(r.top, 0), y1 = std::min(r.bottom, height_);
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) buffer_[static_cast<size_t>(y) * width_ + x] = c;
}

void RecordingCanvas::DrawText(std::string_view text, const Rect& r, unsigned flags) {
  texts_.push_back({std::string(text), r, flags, font(), text_color(), bk_color(), bk_mode()});
}

Color RecordingCanvas::GetPixel(int x, int y) const {
  ++pixel_reads_;
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return Color{};
  return buffer_[static_cast<size_t>(y) * width_ + x];
}

void RecordingCanvas::SetPixel(int x, int y, Color c) {
  pixel_writes_.push_back({{x, y}, c});
  Put(x, y, c);
}

void RecordingCanvas::ClearRecords() {
  lines_.clear();
  polylines_.clear();
  polygons_.clear();
  fills_.clear();
  texts_.clear();
  pixel_writes_.clear();
  pixel_reads_ = 0;
}

const RecordingCanvas::Text* RecordingCanvas::FindText(std::string_view text) const {
  for (const Text& t : texts_)
    if (t.text == text) return &t;
  return nullptr;
}

int RecordingCanvas::CountTexts(std::string_view text) const {
  return static_cast<int>(std::count_if(texts_.begin(), texts_.end(),
                                        [&](const Text& t) { return t.text == text; }));
}

std::vector<RecordingCanvas::Line> RecordingCanvas::LinesOf(Color c) const {
  std::vector<Line> out;
  for (const Line& l : lines_)
    if (l.pen.color == c && l.pen.style != PenStyle::Null) out.push_back(l);
  return out;
}

std::vector<RecordingCanvas::Line> RecordingCanvas::LinesOf(Color c, PenStyle style) const {
  std::vector<Line> out;
  for (const Line& l : lines_)
    if (l.pen.color == c && l.pen.style == style) out.push_back(l);
  return out;
}

}  // namespace kv

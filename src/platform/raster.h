// Pixel rules shared by the drawing surfaces, so that the recorder used by
// tests and the Qt surface set the same pixels for a line.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/canvas.h"

namespace kv::raster {

// Dash-dot pattern of a one-pixel pen: 4 on, 2 off, 1 on, 2 off.
inline bool DashDotOn(int n) {
  int k = n % 9;
  return k < 4 || k == 6;
}

// Calls put(x, y) for every pixel of the line from a to b: the first point
// included, the last one left out (Bresenham). A dash-dot pen skips the gaps of
// its pattern; a null pen sets nothing.
template <class Put>
void Line(Point a, Point b, PenStyle style, Put put) {
  if (style == PenStyle::Null) return;
  int dx = std::abs(b.x - a.x), sx = a.x < b.x ? 1 : -1;
  int dy = -std::abs(b.y - a.y), sy = a.y < b.y ? 1 : -1;
  int err = dx + dy;
  int x = a.x, y = a.y;
  for (int n = 0; x != b.x || y != b.y; ++n) {
    if (style == PenStyle::Solid || DashDotOn(n)) put(x, y);
    int e2 = 2 * err;
    if (e2 >= dy) { err += dy; x += sx; }
    if (e2 <= dx) { err += dx; y += sy; }
  }
}

// Calls span(y, x0, x1) for the pixels [x0, x1) of row y inside the polygon
// (pixel centres, even-odd rule), row by row from top to bottom.
template <class Span>
void FillPolygon(const Point* pts, int count, Span span) {
  if (count < 3) return;
  int ymin = pts[0].y, ymax = pts[0].y;
  for (int i = 1; i < count; ++i) {
    ymin = std::min(ymin, pts[i].y);
    ymax = std::max(ymax, pts[i].y);
  }
  std::vector<double> xs;
  xs.reserve(static_cast<size_t>(count));
  for (int y = ymin; y < ymax; ++y) {
    double cy = y + 0.5;
    xs.clear();
    for (int i = 0; i < count; ++i) {
      Point p = pts[i], q = pts[(i + 1) % count];
      if ((p.y <= cy) == (q.y <= cy)) continue;   // edge does not cross this row
      xs.push_back(p.x + (cy - p.y) * (q.x - p.x) / static_cast<double>(q.y - p.y));
    }
    std::sort(xs.begin(), xs.end());
    for (size_t i = 0; i + 1 < xs.size(); i += 2) {
      // pixels whose centre x + 0.5 lies in [xs[i], xs[i+1])
      int x0 = static_cast<int>(std::ceil(xs[i] - 0.5));
      int x1 = static_cast<int>(std::ceil(xs[i + 1] - 0.5));
      if (x1 > x0) span(y, x0, x1);
    }
  }
}

}  // namespace kv::raster

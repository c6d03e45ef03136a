// A drawing surface that remembers every call, for tests and the headless
// program, and paints lines, polygons, rectangles and pixels into an RGB
// buffer so that painters which read pixels back (the projection bands) work
// without a window system. Text is recorded but not rasterised.
#pragma once

#include <string>
#include <vector>

#include "platform/canvas.h"

namespace kv {

class RecordingCanvas final : public Canvas {
 public:
  struct Line {
    Point from, to;
    Pen pen;
  };
  struct Shape {         // polyline or polygon
    std::vector<Point> points;
    Pen pen;
    Brush brush;         // polygons only
  };
  struct Fill {
    Rect rect;
    Color color;
  };
  struct Text {
    std::string text;
    Rect rect;
    unsigned flags = 0;
    Font font;
    Color color;
    Color bk_color;
    BkMode bk_mode = BkMode::Opaque;
  };
  struct PixelWrite {
    Point at;
    Color color;
  };

  // A surface of width x height pixels, painted in background; client is the
  // control rectangle reported by ClientRect (the whole surface when empty).
  RecordingCanvas(int width, int height, Rect client = {}, Color background = {255, 255, 255});

  Rect ClientRect() const override { return client_; }
  void Polyline(const Point* pts, int count) override;
  void Polygon(const Point* pts, int count) override;
  void FillRect(const Rect& r, Color c) override;
  void DrawText(std::string_view text, const Rect& r, unsigned flags) override;
  Color GetPixel(int x, int y) const override;
  void SetPixel(int x, int y, Color c) override;

  // ---- what was drawn, in call order per kind ----
  const std::vector<Line>& lines() const { return lines_; }   // MoveTo/LineTo lines
  const std::vector<Shape>& polylines() const { return polylines_; }
  const std::vector<Shape>& polygons() const { return polygons_; }
  const std::vector<Fill>& fills() const { return fills_; }
  const std::vector<Text>& texts() const { return texts_; }
  const std::vector<PixelWrite>& pixel_writes() const { return pixel_writes_; }
  int pixel_reads() const { return pixel_reads_; }
  void ClearRecords();

  // Helpers for assertions.
  const Text* FindText(std::string_view text) const;            // first match or nullptr
  int CountTexts(std::string_view text) const;
  // Lines drawn with a pen of this colour (and style, when given).
  std::vector<Line> LinesOf(Color c) const;
  std::vector<Line> LinesOf(Color c, PenStyle style) const;

  int width() const { return width_; }
  int height() const { return height_; }
  // The raster as rows of RGB triples (for PNG output or comparisons).
  const std::vector<Color>& pixels() const { return buffer_; }

 protected:
  void DrawLine(Point from, Point to) override;

 private:
  void Put(int x, int y, Color c);
  void Stroke(Point from, Point to);

  int width_, height_;
  Rect client_;
  std::vector<Color> buffer_;
  std::vector<Line> lines_;
  std::vector<Shape> polylines_;
  std::vector<Shape> polygons_;
  std::vector<Fill> fills_;
  std::vector<Text> texts_;
  std::vector<PixelWrite> pixel_writes_;
  mutable int pixel_reads_ = 0;
};

}  // namespace kv

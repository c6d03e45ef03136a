// A drawing surface that writes an SVG document, for pictures drawn where no
// window system or Qt is available (kestrivane-cli chart into a .svg file).
//
// Every primitive becomes one element: a chain of connected lines with one pen
// a <polyline> (a single segment a <line>), a polygon a <polygon>, a fill a
// <rect>, text a <text> with its font family and size. Pens and fonts share
// CSS classes. Painters that read pixels back (the projection bands) see a
// raster kept beside the document, as on the other surfaces; the pixels they
// write between two other primitives become one path per colour, made of
// the rectangles those pixels cover.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/headless/recording_canvas.h"

namespace kv {

class SvgCanvas final : public Canvas {
 public:
  // A picture of width x height pixels painted in background. origin is where
  // the surface's (0, 0) lies in the picture (for a chart in a frame: the
  // frame's top-left); client is the control rectangle in surface
  // coordinates (the whole picture when empty).
  SvgCanvas(int width, int height, Rect client = {}, Point origin = {},
            Color background = {255, 255, 255});

  Rect ClientRect() const override { return client_; }
  void Polyline(const Point* pts, int count) override;
  void Polygon(const Point* pts, int count) override;
  void FillRect(const Rect& r, Color c) override;
  void DrawText(std::string_view text, const Rect& r, unsigned flags) override;
  Color GetPixel(int x, int y) const override;
  void SetPixel(int x, int y, Color c) override;

  // The complete document (what was drawn so far); drawing may go on after.
  std::string Document();

 protected:
  void DrawLine(Point from, Point to) override;

 private:
  void EndChain();
  void FlushPixels();
  void Flush() {
    EndChain();
    FlushPixels();
  }
  // Class names of shared styles, made on first use.
  std::string StrokeClass(const Pen& pen, bool filled_elsewhere);
  std::string TextClass();
  std::string ClassFor(const std::string& rule);
  std::string Pt(Point p) const;   // "x,y" at the pixel's centre, in picture coordinates

  int width_, height_;
  Rect client_;
  Point origin_;
  Color background_;
  RecordingCanvas raster_;   // picture coordinates; what GetPixel reads
  std::string body_;
  std::vector<std::string> rules_;                 // in order of first use
  std::map<std::string, std::string> class_of_;    // rule -> class name
  std::vector<Point> chain_;                       // open chain of lines
  Pen chain_pen_;
  std::map<std::pair<int, int>, Color> pixels_;    // (x, y) -> colour, not yet written
};

}  // namespace kv

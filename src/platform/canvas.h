// The drawing surface the chart painters draw on.
//
// The model is the classic device context: the painter selects a pen, a
// brush, a font, a text colour and a background mode, then draws lines,
// polygons, filled rectangles, text and single pixels in integer pixel
// coordinates, (0, 0) at the top left of the surface, y growing downwards.
// Every painter is written once against this class; the same code draws into
// a window (Qt face), into the recorder used by tests, and into a PNG file.
//
// Conventions every implementation keeps, so pictures agree pixel for pixel:
// - A line from (x0, y0) to (x1, y1) covers its first point but not its last
//   one (so a chain of LineTo calls sets no pixel twice, and a line from
//   (x, y) to (x, y + 1) is exactly one pixel).
// - A rectangle {left, top, right, bottom} covers x in [left, right) and
//   y in [top, bottom).
// - Lines and fills are not anti-aliased.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kv {

struct Color {
  uint8_t r = 0, g = 0, b = 0;
  friend constexpr bool operator==(Color, Color) = default;
};
constexpr Color Rgb(int r, int g, int b) {
  return Color{static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)};
}

struct Point {
  int x = 0, y = 0;
  friend constexpr bool operator==(Point, Point) = default;
};

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

enum class PenStyle { Solid, DashDot, Null };

struct Pen {
  PenStyle style = PenStyle::Solid;
  Color color{};
  int width = 1;   // pixels; 0 means the thinnest line the surface can draw (1 pixel)
  friend bool operator==(const Pen&, const Pen&) = default;
};

struct Brush {
  bool null = false;   // a null brush fills nothing
  Color color{255, 255, 255};
  static Brush Solid(Color c) { return Brush{false, c}; }
  static Brush None() { return Brush{true, {}}; }
  friend bool operator==(const Brush&, const Brush&) = default;
};

enum : int { FW_NORMAL = 400, FW_BOLD = 700 };

// A font by face name and character height in pixels. "Courier New" is drawn
// with DejaVu Sans Mono, "MS Sans Serif" (the dialogs' face) with DejaVu Sans.
struct Font {
  std::string face = "MS Sans Serif";
  int height = 13;
  int weight = FW_NORMAL;
  friend bool operator==(const Font&, const Font&) = default;
};

enum class BkMode { Opaque, Transparent };

// DrawText flags, numbered like the classic text-drawing call so that a
// painter's flags read as they always have. The vertical alignments apply to
// single-line text only (DT_SINGLELINE); multi-line text ('\n' separates the
// lines) always starts at the rectangle's top.
enum : unsigned {
  DT_LEFT = 0x0,
  DT_TOP = 0x0,
  DT_CENTER = 0x1,
  DT_RIGHT = 0x2,
  DT_VCENTER = 0x4,
  DT_BOTTOM = 0x8,
  DT_SINGLELINE = 0x20,
  DT_NOCLIP = 0x100,
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  // The rectangle of the control this picture belongs to, in surface
  // coordinates. The surface may extend beyond it: the main chart and the
  // projections window write their value labels in a column 100 pixels wide
  // to the right of their frame, and the projections window its day numbers
  // in 30 pixels below it. Windows that draw into a frame control (main
  // dialog: frame 141; projections window: frame 101) give a surface whose
  // origin is the frame's top-left corner, so ClientRect is
  // {0, 0, frame width, frame height}; the statistics window draws on its
  // whole client area, ClientRect {0, 0, width, height}.
  virtual Rect ClientRect() const = 0;

  // ---- drawing state (kept here; implementations read it when drawing) ----
  void SetPen(const Pen& p) { pen_ = p; }
  void SetBrush(const Brush& b) { brush_ = b; }
  void SetFont(const Font& f) { font_ = f; }
  void SetTextColor(Color c) { text_color_ = c; }
  void SetBkColor(Color c) { bk_color_ = c; }
  void SetBkMode(BkMode m) { bk_mode_ = m; }
  const Pen& pen() const { return pen_; }
  const Brush& brush() const { return brush_; }
  const Font& font() const { return font_; }
  Color text_color() const { return text_color_; }
  Color bk_color() const { return bk_color_; }
  BkMode bk_mode() const { return bk_mode_; }
  Point position() const { return pos_; }

  // ---- drawing ----
  void MoveTo(int x, int y) { pos_ = {x, y}; }
  // A line with the current pen from the current position; the position moves.
  void LineTo(int x, int y) {
    DrawLine(pos_, {x, y});
    pos_ = {x, y};
  }
  // Connected lines with the current pen; the current position is unused.
  virtual void Polyline(const Point* pts, int count) = 0;
  // A closed polygon filled with the current brush and outlined with the
  // current pen (a null pen draws no outline, a null brush no fill).
  virtual void Polygon(const Point* pts, int count) = 0;
  // Fills r with the colour, whatever pen and brush are selected.
  virtual void FillRect(const Rect& r, Color c) = 0;
  // Writes text into r with the current font, text colour and background mode
  // (an opaque background paints the text's own cells in the background
  // colour). Without DT_NOCLIP nothing is drawn outside r.
  virtual void DrawText(std::string_view text, const Rect& r, unsigned flags) = 0;
  // Single pixels; reading outside the surface gives black, writing there
  // does nothing.
  virtual Color GetPixel(int x, int y) const = 0;
  virtual void SetPixel(int x, int y, Color c) = 0;

  // Restores the state a fresh surface starts with: a black one-pixel solid
  // pen, a white brush, the dialog font, black text on an opaque white
  // background, position (0, 0).
  void ResetState() {
    pen_ = Pen{};
    brush_ = Brush{};
    font_ = Font{};
    text_color_ = Color{0, 0, 0};
    bk_color_ = Color{255, 255, 255};
    bk_mode_ = BkMode::Opaque;
    pos_ = Point{};
  }

 protected:
  Canvas() = default;
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  // One line with the current pen (LineTo and the recorder's Polyline use it).
  virtual void DrawLine(Point from, Point to) = 0;

 private:

  Pen pen_{};
  Brush brush_{};
  Font font_{};
  Color text_color_{0, 0, 0};
  Color bk_color_{255, 255, 255};
  BkMode bk_mode_ = BkMode::Opaque;
  Point pos_{};
};

}  // namespace kv

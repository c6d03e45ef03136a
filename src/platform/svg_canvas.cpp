#include "platform/svg_canvas.h"

#include <algorithm>

#include "util/text.h"

namespace kv {
namespace {

std::string Hex(Color c) { return Format("#%02x%02x%02x", c.r, c.g, c.b); }

// Length of the well-formed UTF-8 sequence at s[i], 0 when there is none.
size_t Utf8Length(std::string_view s, size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  const size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
  if (n == 0 || i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
  return n;
}

// Text for an XML document: markup characters escaped, control characters
// dropped, bytes that are not UTF-8 (a symbol or file name in another
// encoding) shown as '?', so the document always parses.
std::string Escaped(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    const size_t n = Utf8Length(s, i);
    if (n == 0) {
      out += '?';
      continue;
    }
    if (n > 1) {
      out.append(s.substr(i, n));
      i += n - 1;
      continue;
    }
    const char ch = s[i];
    switch (ch) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default:
        // Control characters are not allowed in XML text.
        if (static_cast<unsigned char>(ch) >= 0x20 || ch == '\t') out += ch;
    }
  }
  return out;
}

// The faces the other surfaces resolve the painters' font names to.
std::string Family(const std::string& face) {
  if (face == "Courier New") return "'DejaVu Sans Mono',monospace";
  if (face == "MS Sans Serif") return "'DejaVu Sans',sans-serif";
  std::string safe;
  for (char ch : face)
    if (ch != '\'' && ch != ';' && ch != '}' && ch != '<' && ch != '&') safe += ch;
  return "'" + safe + "',sans-serif";
}

// DejaVu's ascent and descent and its average advance, as shares of the
// font size: enough to place a line of text in its rectangle.
constexpr double kAscent = 0.93, kDescent = 0.24, kAdvance = 0.6;

int Chars(std::string_view s) {
  int n = 0;
  for (char ch : s) n += (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
  return n;
}

std::string Num(double v) { return Format("%g", v); }

}  // namespace

SvgCanvas::SvgCanvas(int width, int height, Rect client, Point origin, Color background)
    : width_(std::max(1, width)),
      height_(std::max(1, height)),
      client_(client == Rect{} ? Rect{0, 0, width_, height_} : client),
      origin_(origin),
      background_(background),
      raster_(width_, height_, Rect{}, background) {}

std::string SvgCanvas::Pt(Point p) const {
  return Num(p.x + origin_.x + 0.5) + "," + Num(p.y + origin_.y + 0.5);
}

std::string SvgCanvas::ClassFor(const std::string& rule) {
  auto it = class_of_.find(rule);
  if (it != class_of_.end()) return it->second;
  std::string name = Format("s%zu", rules_.size());
  rules_.push_back(rule);
  class_of_.emplace(rule, name);
  return name;
}

std::string SvgCanvas::StrokeClass(const Pen& pen, bool filled_elsewhere) {
  std::string rule;
  if (pen.style == PenStyle::Null) {
    rule = "stroke:none";
  } else {
    rule = "stroke:" + Hex(pen.color) + Format(";stroke-width:%d", std::max(1, pen.width));
    if (pen.style == PenStyle::DashDot) rule += ";stroke-dasharray:4 2 1 2";
  }
  if (!filled_elsewhere) rule += ";fill:none";
  return ClassFor(rule);
}

std::string SvgCanvas::TextClass() {
  const Font& f = font();
  std::string rule = "font-family:" + Family(f.face) + Format(";font-size:%dpx", std::max(1, f.height));
  if (f.weight >= FW_BOLD) rule += ";font-weight:bold";
  rule += ";fill:" + Hex(text_color());
  return ClassFor(rule);
}

void SvgCanvas::EndChain() {
  if (chain_.size() < 2) {
    chain_.clear();
    return;
  }
  const std::string cls = StrokeClass(chain_pen_, false);
  if (chain_.size() == 2) {
    const Point a = chain_[0], b = chain_[1];
    body_ += "<line class=\"" + cls + "\" x1=\"" + Num(a.x + origin_.x + 0.5) + "\" y1=\"" +
             Num(a.y + origin_.y + 0.5) + "\" x2=\"" + Num(b.x + origin_.x + 0.5) + "\" y2=\"" +
             Num(b.y + origin_.y + 0.5) + "\"/>\n";
  } else {
    body_ += "<polyline class=\"" + cls + "\" points=\"";
    for (size_t i = 0; i < chain_.size(); ++i) body_ += (i ? " " : "") + Pt(chain_[i]);
    body_ += "\"/>\n";
  }
  chain_.clear();
}

void SvgCanvas::FlushPixels() {
  if (pixels_.empty()) return;
  // Runs of one colour down each column, widened into rectangles where the
  // next columns repeat them: the bands are columns of one colour a day wide.
  struct Run {
    int y0, y1;
    uint32_t rgb;
    auto operator<=>(const Run&) const = default;
  };
  // The rectangles do not overlap, so those of one colour make one path.
  std::map<uint32_t, std::string> paths;
  auto emit = [&](const Run& run, int left, int right) {
    paths[run.rgb] += Format("M%d %dh%dv%dh%dz", left, run.y0, right - left, run.y1 - run.y0, left - right);
  };
  std::map<Run, int> open, next;   // run -> left column of its rectangle
  std::vector<Run> runs;
  int column = -2;
  for (auto it = pixels_.begin(); it != pixels_.end();) {
    const int x = it->first.first;
    runs.clear();
    while (it != pixels_.end() && it->first.first == x) {
      const int y = it->first.second;
      const Color c = it->second;
      const uint32_t rgb = (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b;
      if (!runs.empty() && runs.back().y1 == y && runs.back().rgb == rgb) ++runs.back().y1;
      else runs.push_back(Run{y, y + 1, rgb});
      ++it;
    }
    // Rectangles not continued in this column end left of it.
    next.clear();
    for (const Run& r : runs) {
      auto found = open.find(r);
      if (found != open.end() && column == x - 1) {
        next[r] = found->second;
        open.erase(found);
      } else {
        next[r] = x;
      }
    }
    for (auto& [r, left] : open) emit(r, left, column + 1);
    open.swap(next);
    column = x;
  }
  for (auto& [r, left] : open) emit(r, left, column + 1);
  for (const auto& [rgb, d] : paths) body_ += Format("<path fill=\"#%06x\" d=\"", rgb) + d + "\"/>\n";
  pixels_.clear();
  raster_.ClearRecords();
}

void SvgCanvas::DrawLine(Point from, Point to) {
  FlushPixels();
  raster_.SetPen(pen());
  raster_.MoveTo(from.x + origin_.x, from.y + origin_.y);
  raster_.LineTo(to.x + origin_.x, to.y + origin_.y);
  if (pen().style == PenStyle::Null || from == to) return;
  if (!chain_.empty() && chain_.back() == from && chain_pen_ == pen()) {
    chain_.push_back(to);
    return;
  }
  EndChain();
  chain_pen_ = pen();
  chain_ = {from, to};
}

void SvgCanvas::Polyline(const Point* pts, int count) {
  if (!pts || count <= 0) return;
  Flush();
  std::vector<Point> shifted(pts, pts + count);
  for (Point& p : shifted) p = {p.x + origin_.x, p.y + origin_.y};
  raster_.SetPen(pen());
  raster_.Polyline(shifted.data(), count);
  if (pen().style == PenStyle::Null || count < 2) return;
  chain_pen_ = pen();
  chain_.assign(pts, pts + count);
  EndChain();
}

void SvgCanvas::Polygon(const Point* pts, int count) {
  if (!pts || count <= 0) return;
  Flush();
  std::vector<Point> shifted(pts, pts + count);
  for (Point& p : shifted) p = {p.x + origin_.x, p.y + origin_.y};
  raster_.SetPen(pen());
  raster_.SetBrush(brush());
  raster_.Polygon(shifted.data(), count);
  if (count < 2 || (pen().style == PenStyle::Null && brush().null)) return;
  body_ += "<polygon class=\"" + StrokeClass(pen(), true) + "\"";
  body_ += brush().null ? std::string(" fill=\"none\"") : " fill=\"" + Hex(brush().color) + "\"";
  body_ += " points=\"";
  for (int i = 0; i < count; ++i) body_ += (i ? " " : "") + Pt(pts[i]);
  body_ += "\"/>\n";
}

void SvgCanvas::FillRect(const Rect& r, Color c) {
  Flush();
  raster_.FillRect(Rect{r.left + origin_.x, r.top + origin_.y, r.right + origin_.x, r.bottom + origin_.y}, c);
  if (r.right <= r.left || r.bottom <= r.top) return;
  body_ += Format("<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"%s\"/>\n", r.left + origin_.x,
                  r.top + origin_.y, r.Width(), r.Height(), Hex(c).c_str());
}

void SvgCanvas::DrawText(std::string_view text, const Rect& r, unsigned flags) {
  Flush();
  if (text.empty()) return;
  const double size = std::max(1, font().height);
  const double line_height = (kAscent + kDescent) * size;
  // One line, or the lines of a multi-line text from the rectangle's top.
  std::vector<std::string_view> lines;
  if (flags & DT_SINGLELINE) {
    lines.push_back(text);
  } else {
    size_t start = 0;
    for (size_t nl; (nl = text.find('\n', start)) != std::string_view::npos; start = nl + 1)
      lines.push_back(text.substr(start, nl - start));
    lines.push_back(text.substr(start));
  }
  const Rect box{r.left + origin_.x, r.top + origin_.y, r.right + origin_.x, r.bottom + origin_.y};
  const bool clip = !(flags & DT_NOCLIP);
  if (clip && (box.right <= box.left || box.bottom <= box.top)) return;

  std::string out;
  double extent_left = box.left, extent_right = box.right;
  double extent_top = box.top, extent_bottom = box.bottom;
  const std::string cls = TextClass();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    const double w = Chars(lines[i]) * kAdvance * size;
    double x = box.left, left = box.left;
    const char* anchor = "";
    if (flags & DT_CENTER) {
      x = (box.left + box.right) / 2.0, left = x - w / 2, anchor = " text-anchor=\"middle\"";
    } else if (flags & DT_RIGHT) {
      x = box.right, left = x - w, anchor = " text-anchor=\"end\"";
    }
    double baseline = box.top + kAscent * size + i * line_height;
    if (flags & DT_SINGLELINE) {
      if (flags & DT_VCENTER) baseline = (box.top + box.bottom) / 2.0 + (kAscent - kDescent) / 2 * size;
      else if (flags & DT_BOTTOM) baseline = box.bottom - kDescent * size;
    }
    const double top = baseline - kAscent * size;
    extent_left = std::min(extent_left, left);
    extent_right = std::max(extent_right, left + w);
    extent_top = std::min(extent_top, top);
    extent_bottom = std::max(extent_bottom, top + line_height);
    if (bk_mode() == BkMode::Opaque) {
      // The text's own cells, inside the rectangle when clipped.
      double l = left, t = top, rr = left + w, b = top + line_height;
      if (clip) l = std::max<double>(l, box.left), rr = std::min<double>(rr, box.right),
                t = std::max<double>(t, box.top), b = std::min<double>(b, box.bottom);
      if (rr > l && b > t)
        out += "<rect x=\"" + Num(l) + "\" y=\"" + Num(t) + "\" width=\"" + Num(rr - l) + "\" height=\"" +
               Num(b - t) + "\" fill=\"" + Hex(bk_color()) + "\"/>\n";
    }
    out += "<text class=\"" + cls + "\" x=\"" + Num(x) + "\" y=\"" + Num(baseline) + "\"" + anchor +
           " xml:space=\"preserve\">" + Escaped(lines[i]) + "</text>\n";
  }
  if (out.empty()) return;
  // Text that would reach outside its rectangle is seen through a viewport of
  // that rectangle, as the other surfaces clip it.
  const bool overflows = extent_left < box.left || extent_right > box.right || extent_top < box.top ||
                         extent_bottom > box.bottom;
  if (clip && overflows) {
    body_ += Format("<svg x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" viewBox=\"%d %d %d %d\">\n", box.left,
                    box.top, box.Width(), box.Height(), box.left, box.top, box.Width(), box.Height()) +
             out + "</svg>\n";
  } else {
    body_ += out;
  }
}

Color SvgCanvas::GetPixel(int x, int y) const { return raster_.GetPixel(x + origin_.x, y + origin_.y); }

void SvgCanvas::SetPixel(int x, int y, Color c) {
  EndChain();
  x += origin_.x, y += origin_.y;
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  raster_.SetPixel(x, y, c);
  pixels_[{x, y}] = c;
}

std::string SvgCanvas::Document() {
  Flush();
  std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  doc += Format("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\" "
                "shape-rendering=\"crispEdges\">\n",
                width_, height_, width_, height_);
  if (!rules_.empty()) {
    doc += "<style>\n";
    for (size_t i = 0; i < rules_.size(); ++i) doc += Format(".s%zu{", i) + rules_[i] + "}\n";
    doc += "</style>\n";
  }
  doc += Format("<rect width=\"%d\" height=\"%d\" fill=\"%s\"/>\n", width_, height_, Hex(background_).c_str());
  doc += body_;
  doc += "</svg>\n";
  return doc;
}

}  // namespace kv

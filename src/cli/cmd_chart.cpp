// kestrivane-cli chart: draws the picture of one of the chart windows (main
// chart, statistics, projections) for a model into a PNG file, without a
// display. Needs the desktop build's drawing library (Qt); elsewhere the
// command says so and every other command works as usual.
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "util/text.h"

#ifdef KV_HAVE_QT
#include "forecast/projection_window.h"
#include "forecast/stats_window.h"
#include "platform/qt/qt_canvas.h"
#endif

namespace kv::cli {
namespace {

constexpr int kMinSize = 120, kMaxSize = 8000;
// Room the charts use outside their frame: the value-label column to the
// right, the day numbers of the projections below.
constexpr int kLabelColumn = 100, kDayRow = 30;

struct Size {
  int w = 0, h = 0;
};

// The window's natural size in pixels (its dialog units at the dialog font).
Size DefaultSize(const std::string& window) {
  if (window == "stats") return {390, 215};
  if (window == "projections") return {484, 335};
  return {711, 171};   // the main chart's frame, 601 pixels of days, plus labels
}

bool ParseSize(const std::string& text, Size& size) {
  long long w = LeadingInt(text);
  size_t x = text.find_first_of("xX");
  if (x == std::string::npos || x == 0) return false;
  long long h = LeadingInt(text.substr(x + 1));
  if (Format("%lldx%lld", w, h) != text && Format("%lldX%lld", w, h) != text) return false;
  if (w < kMinSize || h < kMinSize || w > kMaxSize || h > kMaxSize) return false;
  size = {static_cast<int>(w), static_cast<int>(h)};
  return true;
}

int Run(Args& args) {
  std::string out, window = "main", size_text;
  bool have_out = TakeOption(args, "--out", out);
  TakeOption(args, "--window", window);
  bool have_size = TakeOption(args, "--size", size_text);
  for (const std::string& a : args)
    if (a.rfind("--", 0) == 0) return Fail("chart: unknown option " + a);
  if (args.size() != 1) return Fail("chart: give exactly one model file (see --help)");
  if (!have_out || out.empty()) return Fail("chart: --out FILE.png is required");
  if (window != "main" && window != "stats" && window != "projections")
    return Fail("chart: --window must be main, stats or projections");
  Size size = DefaultSize(window);
  if (have_size && !ParseSize(size_text, size))
    return Fail(Format("chart: --size must be WIDTHxHEIGHT, each %d to %d pixels", kMinSize,
                       kMaxSize));

#ifndef KV_HAVE_QT
  return Fail("chart: drawing pictures needs the desktop build (Qt 6 was not found when "
              "this program was built)");
#else
  Session session;
  if (!session.OpenModel(args[0])) return Fail("chart: cannot open the model " + args[0]);
  TMainDlg& m = *session.main;
  std::string error;
  bool ok = false;
  if (window == "main") {
    const Rect frame{0, 0, size.w - kLabelColumn, size.h};
    // Zoom and scroll position as the window would have them at this size.
    m.chart_right = frame.right - 2;
    m.CmZoom(m.zoom);
    ok = PaintToPng(size.w, size.h, frame, QPoint(0, 0), out, error,
                    [&](Canvas& c) { m.DisplayGuess(c); });
  } else if (window == "stats") {
    TKestriStat stats(m);
    ok = PaintToPng(size.w, size.h, Rect{0, 0, size.w, size.h}, QPoint(0, 0), out, error,
                    [&](Canvas& c) { stats.EvPaint(c); });
  } else {
    TProjection proj(m);
    const Rect frame{0, 0, size.w - kLabelColumn, size.h - kDayRow};
    ok = PaintToPng(size.w, size.h, frame, QPoint(0, 0), out, error,
                    [&](Canvas& c) { proj.EvPaint(c); });
  }
  if (!ok) return Fail("chart: " + error);
  std::printf("%s: %s chart, %d x %d pixels\n", out.c_str(), window.c_str(), size.w, size.h);
  return 0;
#endif
}

const Registrar reg({
    "chart",
    "chart MODEL.kvn --out FILE.png [--window main|stats|projections] [--size WxH]",
    "Draws a chart window's picture of the model into a PNG file, without a\n"
    "display: the main chart (prices, the network's rise and fall outputs and\n"
    "the training and verify periods; the default), the statistics window\n"
    "(predicted against actual moves, error distribution over the training\n"
    "period) or the projections window (the last month's ten-day bands).\n"
    "--size sets the picture's size in pixels; each window has its own default.\n"
    "Needs the desktop build.",
    Run,
});

}  // namespace
}  // namespace kv::cli

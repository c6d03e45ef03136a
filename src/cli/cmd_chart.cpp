// kestrivane-cli chart: draws the picture of one of the chart windows (main
// chart, statistics, projections) for a model into a file, without a display,
// with a title and a legend the windows themselves do not draw; or the chart
// of a walk-forward result from its JSON file, with no model. The --out
// file's extension picks the format: .svg is drawn by our own SVG surface and
// works in every build; .png is drawn by the module kestrivane-png.so (Qt),
// loaded from beside the program only here.
#include <dlfcn.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "cli/cli.h"
#include "forecast/chart_decorations.h"
#include "forecast/projection_window.h"
#include "forecast/stats_window.h"
#include "forecast/walkforward_chart.h"
#include "forecast/walkforward_report.h"
#include "platform/png_module.h"
#include "platform/svg_canvas.h"
#include "util/atomic_file.h"
#include "util/text.h"

namespace kv::cli {
namespace {

constexpr int kMinSize = 120, kMaxSize = 8000;
// The dialogs' colour, around and beside the charts' frames.
constexpr Color kFace{240, 240, 240};

bool ParseSize(const std::string& text, int& w_out, int& h_out) {
  long long w = LeadingInt(text);
  size_t x = text.find_first_of("xX");
  if (x == std::string::npos || x == 0) return false;
  long long h = LeadingInt(text.substr(x + 1));
  if (Format("%lldx%lld", w, h) != text && Format("%lldX%lld", w, h) != text) return false;
  if (w < kMinSize || h < kMinSize || w > kMaxSize || h > kMaxSize) return false;
  w_out = static_cast<int>(w);
  h_out = static_cast<int>(h);
  return true;
}

// The PNG module's entry point, from the folder this program runs from; null
// with the reason when it is missing or unusable. It stays loaded.
PngPaintEntry LoadPngModule(std::string& why) {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) {
    why = "cannot find this program's folder";
    return nullptr;
  }
  const std::string path = (self.parent_path() / kPngModuleFile).string();
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    const char* reason = dlerror();
    why = reason ? reason : path + " did not load";
    return nullptr;
  }
  auto entry = reinterpret_cast<PngPaintEntry>(dlsym(module, kPngModuleEntry));
  if (!entry) why = path + " is not this version's drawing module";
  return entry;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return s;
}

int Run(Args& args) {
  std::string out, window = "main", size_text, from;
  bool have_out = TakeOption(args, "--out", out);
  TakeOption(args, "--window", window);
  bool have_size = TakeOption(args, "--size", size_text);
  const bool have_from = TakeOption(args, "--from", from);
  const bool walkforward = window == "walkforward";
  if (have_from && !walkforward)
    return UsageError("--from draws a walk-forward result: give --window walkforward with it");
  if (walkforward && !have_from)
    return UsageError("--window walkforward needs --from RESULTS.json (from walkforward --json=FILE)");
  if (int rc = walkforward ? CheckArgs(args, 0, 0, "give no model file with --from: the picture comes from the results file")
                           : CheckArgs(args, 1, 1, "give exactly one model file"))
    return rc;
  if (!have_out || out.empty()) return UsageError("--out FILE.svg or --out FILE.png is required");
  if (window != "main" && window != "stats" && window != "projections" && !walkforward)
    return UsageError("--window must be main, stats, projections or walkforward");
  const ChartKind kind = window == "stats"         ? ChartKind::Stats
                         : window == "projections" ? ChartKind::Projections
                                                   : ChartKind::Main;
  ChartPicture picture = DefaultChartPicture(kind);
  int w = kWalkForwardChartWidth, h = kWalkForwardChartHeight;
  if (have_size) {
    if (!ParseSize(size_text, w, h))
      return UsageError(Format("--size must be WIDTHxHEIGHT, each %d to %d pixels", kMinSize,
                               kMaxSize));
    picture = LayOutChartPicture(kind, w, h);
  }
  if (walkforward) picture = ChartPicture{w, h, Rect{0, 0, w, h}, Point{0, 0}};
  const std::string ext = Lower(std::filesystem::path(out).extension().string());
  const bool svg = ext == ".svg";
  if (!svg && ext != ".png")
    return UsageError("the --out file must end in .svg or .png (" + out + ")");
  PngPaintEntry png = nullptr;
  if (!svg) {
    std::string why;
    png = LoadPngModule(why);
    if (!png)
      return Fail("chart: PNG pictures need the drawing module " + std::string(kPngModuleFile) +
                  " beside this program (built with Qt 6; " + why +
                  "); write an SVG picture instead, e.g. --out chart.svg");
  }

  WalkForwardReport report;
  std::unique_ptr<Session> session;
  std::string model_name;
  if (walkforward) {
    std::string why;
    if (!ReadWalkForwardFile(from, &report, nullptr, &why)) return Fail("chart: " + why);
  } else {
    session = std::make_unique<Session>();
    if (const FileOutcome o = session->OpenModel(args[0]); !o.ok)
    return Fail("chart: cannot open the model " + args[0] + WhereItFailed(o));
    model_name = std::filesystem::path(args[0]).filename().string();
  }
  auto paint = [&](Canvas& c) {
    if (walkforward) {
      DrawWalkForwardChart(c, report);
      return;
    }
    TMainDlg& m = *session->main;
    if (kind == ChartKind::Main) {
      // Zoom and scroll position as the window would have them at this size.
      m.chart_right = picture.client.right - 2;
      m.CmZoom(m.zoom);
      m.DisplayGuess(c);
    } else if (kind == ChartKind::Stats) {
      TKestriStat stats(m);
      stats.EvPaint(c);
    } else {
      TProjection proj(m);
      proj.EvPaint(c);
    }
    DrawChartDecorations(c, picture, kind, m, model_name);
  };

  std::string error;
  bool ok = false;
  if (svg) {
    SvgCanvas canvas(picture.width, picture.height, picture.client, picture.origin, kFace);
    paint(canvas);
    std::string why;
    ok = WriteOutputFile(out, canvas.Document(), &why);
    if (!ok) error = "cannot write the picture: " + why;
  } else {
    char why[512];
    // The module has a C++ runtime of its own: no exception may unwind
    // through its frames. One thrown while painting is kept and thrown again
    // here, once the module has returned.
    struct Painting {
      decltype(paint)* draw;
      std::exception_ptr thrown;
    } painting{&paint, nullptr};
    ok = png(picture.width, picture.height, &picture.client, picture.origin.x, picture.origin.y,
             out.c_str(),
             [](Canvas& c, void* context) {
               auto& p = *static_cast<Painting*>(context);
               try {
                 (*p.draw)(c);
               } catch (...) {
                 p.thrown = std::current_exception();
               }
             },
             &painting, why, sizeof why);
    if (painting.thrown) std::rethrow_exception(painting.thrown);
    if (!ok) error = why;
  }
  if (!ok) return Fail("chart: " + error);
  std::printf("%s: %s chart, %d x %d pixels\n", out.c_str(), window.c_str(), picture.width,
              picture.height);
  return 0;
}

const Registrar reg({
    "chart",
    "chart MODEL.kvn | --from RESULTS.json --out FILE.svg|FILE.png [--window main|stats|projections|walkforward] [--size WxH]",
    "Draws a chart window's picture of the model into an SVG or PNG file (by\n"
    "the --out file's extension), without a display, with a title and a legend:\n"
    "the main chart (prices, the network's rise and fall outputs and\n"
    "the training and verify periods; the default), the statistics window\n"
    "(predicted against actual moves, error distribution over the training\n"
    "period) or the projections window (the last month's ten-day bands).\n"
    "--window walkforward draws a walk-forward result (walkforward --json=FILE)\n"
    "from --from RESULTS.json, with no model: the stitched out-of-sample value\n"
    "against buy-and-hold and the in-sample replay, with the folds marked (the\n"
    "default size 900x480).\n"
    "--size sets the picture's size in pixels; each window has its own default\n"
    "(the main chart 1280x520). PNG needs the drawing module kestrivane-png.so\n"
    "beside the program (built with Qt 6); SVG works in all.",
    Run,
});

}  // namespace
}  // namespace kv::cli

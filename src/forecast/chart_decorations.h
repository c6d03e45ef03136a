// What a chart picture written by kestrivane-cli has around the window's own
// drawing: a title (symbol, the dates shown, the model file) above it and a
// legend of its series below it. The windows of the desktop program draw
// neither; only the command's pictures are laid out here.
#pragma once

#include <string>
#include <vector>

#include "platform/canvas.h"

namespace kv {

class TMainDlg;

enum class ChartKind { Main, Stats, Projections };

struct ChartPicture {
  int width = 0, height = 0;   // the whole picture
  Rect client;                 // the window's ClientRect, in surface coordinates
  Point origin;                // where the surface's (0, 0) lies in the picture
};

// The picture size that reads well for the kind when none is asked for.
ChartPicture DefaultChartPicture(ChartKind kind);

// Where the window draws in a picture of width x height: its frame with room
// above for the title, below for the legend and, around the frame, for the
// labels the window writes outside it (as in the desktop window).
ChartPicture LayOutChartPicture(ChartKind kind, int width, int height);

// The title and the legend, drawn on the surface the window has just drawn
// on (so after the window's painter, which sets the main chart's zoom and
// scroll position that the title's dates follow). model_name: the model
// file's name as the title shows it.
void DrawChartDecorations(Canvas& canvas, const ChartPicture& picture, ChartKind kind, TMainDlg& m,
                          const std::string& model_name);

// One series of a legend: a line sample or a filled box, and its name.
struct ChartLegendItem {
  enum { LineSample, BoxSample } sample;
  Color color;
  std::string name;
};

// The pieces of the decorations, for pictures drawn without a model (the
// walk-forward chart): a bold single-line title left-aligned in r, and the
// legend's items left to right from x, centred on the line y.
void DrawChartTitle(Canvas& canvas, const Rect& r, const std::string& title);
void DrawChartLegend(Canvas& canvas, int x, int y, const std::vector<ChartLegendItem>& items);

}  // namespace kv

// The walk-forward chart: the stitched out-of-sample value of the account
// against buy-and-hold over the same days (when the result has it) and
// against the in-sample replay, all three started at the same value. The
// in-sample replay covers other days than the test windows, so every series
// runs across the plot by its progress, 0 to 100 %, not by date. Dashed lines
// mark where each fold's test window begins.
#pragma once

#include "forecast/walkforward_report.h"
#include "platform/canvas.h"

namespace kv {

// Draws title, plot, axes and legend inside canvas.ClientRect(). A client
// area too small for a plot draws nothing.
void DrawWalkForwardChart(Canvas& canvas, const WalkForwardReport& report);

// The picture size kestrivane-cli chart draws when none is asked for.
constexpr int kWalkForwardChartWidth = 900, kWalkForwardChartHeight = 480;

}  // namespace kv

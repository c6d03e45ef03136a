// kestrivane-png.so: the chart command's PNG pictures, drawn with Qt's raster
// surface without a display.
#include <cstdio>
#include <string>
#include <type_traits>

#include "platform/png_module.h"
#include "platform/qt/qt_canvas.h"

extern "C" __attribute__((visibility("default"))) bool kv_png_paint_v1(
    int width, int height, const kv::Rect* client, int origin_x, int origin_y, const char* path,
    kv::PngPaint paint, void* context, char* error, size_t error_size) {
  std::string why;
  const bool ok = kv::PaintToPng(width, height, *client, QPoint(origin_x, origin_y), path, why,
                                 [&](kv::Canvas& c) { paint(c, context); });
  if (error_size > 0) std::snprintf(error, error_size, "%s", ok ? "" : why.c_str());
  return ok;
}

static_assert(std::is_same_v<decltype(&kv_png_paint_v1), kv::PngPaintEntry>,
              "the entry point and the program's view of it must agree");

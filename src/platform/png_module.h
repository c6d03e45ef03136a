// The PNG drawing of kestrivane-cli's chart command lives in a small module,
// kestrivane-png.so beside the program, loaded only when a PNG is drawn: the
// drawing library it needs is large and every other command starts faster
// without it. This is the one entry point, looked up by name; the number in
// the name changes whenever its signature does.
#pragma once

#include <cstddef>

#include "platform/canvas.h"

namespace kv {

using PngPaint = void (*)(Canvas& canvas, void* context);

// Paints a picture of width x height (the dialog colour around it) with the
// surface's (0, 0) at origin and the given client rectangle, calls
// paint(surface, context), then writes the PNG to path. False with the reason
// in error (always terminated) when the picture cannot be drawn or written.
using PngPaintEntry = bool (*)(int width, int height, const Rect* client, int origin_x,
                               int origin_y, const char* path, PngPaint paint, void* context,
                               char* error, size_t error_size);

constexpr const char* kPngModuleFile = "kestrivane-png.so";
constexpr const char* kPngModuleEntry = "kv_png_paint_v1";

}  // namespace kv

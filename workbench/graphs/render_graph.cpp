// The PNG, SVG and memory surfaces that a graph is painted on.
#include "workbench/graphs/render_graph.h"

#include <cairo-svg.h>
#include <cairo.h>

#include <cmath>
#include <cstring>

#include "support/format.h"
#include "workbench/graphs/graph_painter.h"

namespace kwt {
namespace {

constexpr int kMaxSide = 16384;

// Cairo's surfaces go up to 32767 pixels a side; pictures beyond 16384
// would need gigabytes and are more likely a typing mistake.
bool CheckSize(int w, int h, std::string* error) {
  if (w < 16 || h < 16 || w > kMaxSide || h > kMaxSide) {
    *error = Format("a picture of %d x %d pixels cannot be drawn (16 to %d a side)", w, h, kMaxSide);
    return false;
  }
  return true;
}

// Cairo's stream writer: the picture's bytes are collected in a string.
cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

// Paints on a fresh image surface; the caller destroys it.
cairo_surface_t* PaintImage(const GraphModel& model, int w, int h, GraphLayout* layout,
                            std::string* error) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    *error = cairo_status_to_string(cairo_surface_status(s));
    cairo_surface_destroy(s);
    return nullptr;
  }
  cairo_t* cr = cairo_create(s);
  const GraphLayout l = PaintGraph(cr, model, w, h);
  const cairo_status_t status = cairo_status(cr);
  cairo_destroy(cr);
  cairo_surface_flush(s);
  if (status != CAIRO_STATUS_SUCCESS) {
    *error = cairo_status_to_string(status);
    cairo_surface_destroy(s);
    return nullptr;
  }
  if (layout != nullptr) *layout = l;
  return s;
}

}  // namespace

void PictureSize(const GraphModel& model, const RenderOptions& options, int* width, int* height) {
  if (options.width > 0 && options.height > 0) {
    *width = options.width;
    *height = options.height;
    return;
  }
  if (model.hasRect) {
    const double w = std::fabs(model.rect[2] - model.rect[0]) * 1.5;
    const double h = std::fabs(model.rect[3] - model.rect[1]) * 1.5;
    if (w >= 100 && h >= 100 && w <= kMaxSide && h <= kMaxSide) {
      *width = static_cast<int>(std::lround(w));
      *height = static_cast<int>(std::lround(h));
      return;
    }
  }
  *width = 960;
  *height = 640;
}

bool RenderGraphImage(const GraphModel& model, const RenderOptions& options, GraphImage* image,
                      std::string* error) {
  int w, h;
  PictureSize(model, options, &w, &h);
  if (!CheckSize(w, h, error)) return false;
  cairo_surface_t* s = PaintImage(model, w, h, &image->layout, error);
  if (s == nullptr) return false;
  image->width = w;
  image->height = h;
  image->pixels.assign(static_cast<size_t>(w) * h, 0);
  const unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < h; ++y)
    std::memcpy(&image->pixels[static_cast<size_t>(y) * w], data + static_cast<size_t>(y) * stride,
                static_cast<size_t>(w) * 4);
  cairo_surface_destroy(s);
  return true;
}

bool RenderGraphPng(const GraphModel& model, const RenderOptions& options, std::string* png,
                    std::string* error, GraphLayout* layout) {
  int w, h;
  PictureSize(model, options, &w, &h);
  if (!CheckSize(w, h, error)) return false;
  cairo_surface_t* s = PaintImage(model, w, h, layout, error);
  if (s == nullptr) return false;
  png->clear();
  const cairo_status_t status = cairo_surface_write_to_png_stream(s, AppendBytes, png);
  cairo_surface_destroy(s);
  if (status != CAIRO_STATUS_SUCCESS) {
    *error = cairo_status_to_string(status);
    return false;
  }
  return true;
}

bool RenderGraphSvg(const GraphModel& model, const RenderOptions& options, std::string* svg,
                    std::string* error, GraphLayout* layout) {
  int w, h;
  PictureSize(model, options, &w, &h);
  if (!CheckSize(w, h, error)) return false;
  svg->clear();
  cairo_surface_t* s = cairo_svg_surface_create_for_stream(AppendBytes, svg, w, h);
  cairo_svg_surface_set_document_unit(s, CAIRO_SVG_UNIT_PX);
  cairo_t* cr = cairo_create(s);
  const GraphLayout l = PaintGraph(cr, model, w, h);
  cairo_status_t status = cairo_status(cr);
  cairo_destroy(cr);
  cairo_surface_finish(s);
  if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(s);
  cairo_surface_destroy(s);
  if (status != CAIRO_STATUS_SUCCESS) {
    *error = cairo_status_to_string(status);
    return false;
  }
  if (layout != nullptr) *layout = l;
  return true;
}

}  // namespace kwt

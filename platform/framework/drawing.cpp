#include "framework/drawing.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <utility>

namespace framework {
namespace {

// Whether the centre of pixel (x, y) lies inside the ellipse inscribed in `r`.
bool inside_ellipse(const CRect& r, int x, int y) {
  if (x < r.left || x >= r.right || y < r.top || y >= r.bottom) return false;
  const double rx = r.Width() / 2.0, ry = r.Height() / 2.0;
  const double dx = (x + 0.5 - r.left - rx) / rx, dy = (y + 0.5 - r.top - ry) / ry;
  return dx * dx + dy * dy <= 1.0;
}

bool on_outline(const CRect& r, int x, int y) {
  return !inside_ellipse(r, x - 1, y) || !inside_ellipse(r, x + 1, y) ||
         !inside_ellipse(r, x, y - 1) || !inside_ellipse(r, x, y + 1);
}

// `rect` cut to the surface.
CRect clipped(const CRect& rect, const Surface& surface) {
  return {std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, surface.width()),
          std::min(rect.bottom, surface.height())};
}

}  // namespace

Surface::Surface(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_)) {}

Color Surface::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return kBlack;
  return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                 static_cast<std::size_t>(x)];
}

void Surface::set_pixel(int x, int y, Color color) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
          static_cast<std::size_t>(x)] = color;
}

bool Surface::save_ppm(const std::string& path) const {
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                             &std::fclose);
  if (!file) return false;
  std::fprintf(file.get(), "P6\n%d %d\n255\n", width_, height_);
  for (const Color& c : pixels_) {
    const unsigned char rgb[3] = {c.r, c.g, c.b};
    std::fwrite(rgb, 1, sizeof rgb, file.get());
  }
  return std::ferror(file.get()) == 0 && std::fflush(file.get()) == 0;
}

Pen CDC::SelectPen(Pen pen) {
  return std::exchange(pen_, pen);
}
Brush CDC::SelectBrush(Brush brush) {
  return std::exchange(brush_, brush);
}

void CDC::FillRect(const CRect& rect, const Brush& brush) {
  const CRect area = clipped(rect, surface_);
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) surface_.set_pixel(x, y, brush.color);
  }
}

void CDC::Ellipse(const CRect& rect) {
  const CRect area = clipped(rect, surface_);
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (!inside_ellipse(rect, x, y)) continue;
      surface_.set_pixel(x, y, on_outline(rect, x, y) ? pen_.color : brush_.color);
    }
  }
}

}  // namespace framework

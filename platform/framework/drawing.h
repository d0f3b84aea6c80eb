// Drawing: an in-memory RGB surface and a device context over it with a current pen and brush,
// as a control draws itself into the rectangle its container gives it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace framework {

struct Color {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Color&) const = default;
};
inline constexpr Color kBlack{0, 0, 0};
inline constexpr Color kWhite{255, 255, 255};

struct Pen {
  Color color;
};
struct Brush {
  Color color;
};
// The stock objects; a new device context has the black pen and the white brush selected.
inline constexpr Pen kBlackPen{kBlack};
inline constexpr Brush kWhiteBrush{kWhite};

// Right and bottom are exclusive: {0, 0, 100, 50} covers 100 x 50 pixels.
struct CRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

// Starts black; pixels outside the surface are never touched.
class Surface {
 public:
  Surface(int width, int height);
  int width() const { return width_; }
  int height() const { return height_; }
  Color pixel(int x, int y) const;  // black outside the surface
  void set_pixel(int x, int y, Color color);
  // Binary PPM (P6); false with errno set when the file cannot be written.
  bool save_ppm(const std::string& path) const;

 private:
  int width_;
  int height_;
  std::vector<Color> pixels_;
};

class CDC {
 public:
  explicit CDC(Surface& surface) : surface_(surface) {}
  Pen SelectPen(Pen pen);  // returns the pen selected before
  Brush SelectBrush(Brush brush);
  void FillRect(const CRect& rect, const Brush& brush);
  // The ellipse inscribed in `rect`: outlined with the current pen, filled with the current brush.
  void Ellipse(const CRect& rect);

 private:
  Surface& surface_;
  Pen pen_ = kBlackPen;
  Brush brush_ = kWhiteBrush;
};

}  // namespace framework

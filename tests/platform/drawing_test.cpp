#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "framework/drawing.h"
#include "framework/module.h"

namespace {

using namespace framework;

constexpr Color kRed{255, 0, 0};
constexpr Color kBlue{0, 0, 255};

TEST(Drawing, EllipseUsesTheSelectedPenAndBrush) {
  Surface surface(21, 11);
  CDC dc(surface);
  EXPECT_EQ(dc.SelectBrush(Brush{kRed}).color, kWhite);
  EXPECT_EQ(dc.SelectPen(Pen{kBlue}).color, kBlack);
  dc.Ellipse({0, 0, 21, 11});
  EXPECT_EQ(surface.pixel(10, 5), kRed);
  EXPECT_EQ(surface.pixel(0, 5), kBlue);
  EXPECT_EQ(surface.pixel(10, 0), kBlue);
  EXPECT_EQ(surface.pixel(0, 0), kBlack) << "corner outside the ellipse";
}

TEST(Drawing, ShapesAreClippedToTheSurfaceAndEmptyRectanglesDrawNothing) {
  Surface surface(10, 10);
  CDC dc(surface);
  dc.FillRect({-5, -5, 3, 3}, kWhiteBrush);
  EXPECT_EQ(surface.pixel(2, 2), kWhite);
  EXPECT_EQ(surface.pixel(3, 3), kBlack);
  dc.Ellipse({-100, -100, 200, 200});
  EXPECT_EQ(surface.pixel(5, 5), kWhite);
  Surface untouched(4, 4);
  CDC other(untouched);
  other.Ellipse({3, 3, 3, 10});
  other.FillRect({2, 2, 1, 1}, kWhiteBrush);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) EXPECT_EQ(untouched.pixel(x, y), kBlack);
  }
}

TEST(Drawing, SavesAsPpm) {
  Surface surface(2, 1);
  surface.set_pixel(1, 0, Color{1, 2, 3});
  const auto path = std::filesystem::temp_directory_path() / "drawing-test.ppm";
  ASSERT_TRUE(surface.save_ppm(path.string()));
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  EXPECT_EQ(bytes.str(), std::string("P6\n2 1\n255\n\0\0\0\x01\x02\x03", 17));
  std::filesystem::remove(path);
  EXPECT_FALSE(surface.save_ppm("/nonexistent/dir/x.ppm"));
}

TEST(Module, NameIsTheFileWithoutLibPrefixAndExtension) {
  EXPECT_EQ(module_name("/opt/x/libCorvi.so"), "Corvi");
  EXPECT_EQ(module_name("libCorvi.so.1.0"), "Corvi");
  EXPECT_EQ(module_name("/usr/bin/corvi"), "corvi");
  EXPECT_EQ(module_name("Corvi.ocx"), "Corvi");
  EXPECT_EQ(module_name(module_path()), "platform_tests");
}

}  // namespace

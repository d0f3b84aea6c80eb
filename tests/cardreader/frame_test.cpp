#include "frame.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarn {
namespace {

struct FrameCase {
  std::uint8_t cm;
  std::uint8_t pm;
  std::vector<std::uint8_t> data;
  std::vector<std::uint8_t> frame;
};

TEST(Frame, BuildsTheRequestFramesTheReaderExpects) {
  const FrameCase cases[] = {
      {'1', '0', {}, {0x02, 0x00, 0x02, 0x31, 0x30, 0x03, 0x02}},
      {'2', '1', {}, {0x02, 0x00, 0x02, 0x32, 0x31, 0x03, 0x00}},
      {'F', '7', {}, {0x02, 0x00, 0x02, 0x46, 0x37, 0x03, 0x72}},
      {'E', '1', {}, {0x02, 0x00, 0x02, 0x45, 0x31, 0x03, 0x77}},
      {0x90, '1', {0x00}, {0x02, 0x00, 0x03, 0x90, 0x31, 0x00, 0x03, 0xA3}},
  };
  for (const auto& c : cases) EXPECT_EQ(build_frame(c.cm, c.pm, c.data), c.frame);
}

TEST(Frame, LengthFieldTakesTwoBytesHighFirst) {
  const std::vector<std::uint8_t> data(300, 0xAA);
  const auto frame = build_frame('B', '2', data);
  ASSERT_EQ(frame.size(), 307u);
  EXPECT_EQ(frame[1], 0x01);
  EXPECT_EQ(frame[2], 0x2E);
  EXPECT_EQ(frame[305], kEtx);
  EXPECT_EQ(bcc(frame), 0) << "a frame with its BCC xors to zero";
}

TEST(Frame, BccOfNothingIsZero) {
  EXPECT_EQ(bcc({}), 0);
}

}  // namespace
}  // namespace tarn

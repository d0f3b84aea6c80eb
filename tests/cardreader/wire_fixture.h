// A virtual reader on a pseudo-terminal with the library's port open on it.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "Tarn_DLL.h"
#include "readersim/virtual_reader.h"

namespace tarn_test {

using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;

// The request frame followed by the ENQ the library sends after the reader's ACK.
inline Bytes frame_then_enq(Bytes frame) {
  frame.push_back(0x05);
  return frame;
}

// An output buffer with canary bytes behind its `size` documented bytes.
template <std::size_t N>
struct Guarded {
  static constexpr std::uint8_t kCanary = 0xC5;
  std::array<std::uint8_t, N + 16> bytes;
  Guarded() { bytes.fill(kCanary); }
  unsigned char* data() { return bytes.data(); }
  bool untouched() const {
    for (auto b : bytes)
      if (b != kCanary) return false;
    return true;
  }
  bool canaries_intact() const {
    for (std::size_t i = N; i < bytes.size(); ++i)
      if (bytes[i] != kCanary) return false;
    return true;
  }
};

// Measures how long a call takes.
template <class F>
milliseconds timed(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start);
}

class WireTest : public ::testing::Test {
 protected:
  void SetUp() override {
    drive_ = std::filesystem::temp_directory_path() /
             ("tarn-drive-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(drive_);
    ::setenv("TARN_DRIVE_D", drive_.c_str(), 1);
    port_ = Tarn_CommOpen(reader_.slave_path().c_str());
    ASSERT_NE(port_, nullptr);
  }
  void TearDown() override {
    if (port_) Tarn_CommClose(port_);
    std::filesystem::remove_all(drive_);
  }

  // Bytes the library sent since the last call.
  Bytes sent() {
    Bytes all = reader_.received();
    reader_.clear_recording();
    return all;
  }

  // A plain command that must succeed: shows the port is usable.
  void expect_port_usable() {
    reader_.clear_faults();
    unsigned char position = 0;
    EXPECT_EQ(Tarn_CheckCardPosition(port_, &position), TARN_OK);
  }

  readersim::VirtualReader reader_;
  std::filesystem::path drive_;
  void* port_ = nullptr;
};

}  // namespace tarn_test

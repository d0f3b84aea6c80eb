// The serial platform layer: definition strings and port-name mapping.
#include <gtest/gtest.h>

#include "serial/line_definition.h"
#include "serial/serial_port.h"

namespace tarn::platform {
namespace {

TEST(LineDefinition, AcceptsEveryRateOfTheRateTable) {
  for (unsigned rate : {1200u, 2400u, 4800u, 9600u, 19200u, 38400u, 57600u, 115200u}) {
    const auto line = parse_line_definition(std::to_string(rate) + ",n,8,1");
    ASSERT_TRUE(line) << rate;
    EXPECT_EQ(line->baud, rate);
    EXPECT_EQ(line->parity, 'n');
    EXPECT_EQ(line->data_bits, 8u);
    EXPECT_EQ(line->stop_bits, 1u);
  }
}

TEST(LineDefinition, RefusesMalformedText) {
  for (const char* text : {"", "9600", "9600,n,8", "9600,x,8,1", "abc,n,8,1", "0,n,8,1",
                           "9600,n,9,1", "9600,n,8,3", "9600,n,8,1,1", "9600,,8,1"})
    EXPECT_FALSE(parse_line_definition(text)) << text;
}

TEST(DevicePath, MapsPortNames) {
  const std::pair<const char*, const char*> cases[] = {
      {"COM1", "/dev/ttyS0"},
      {"COM12", "/dev/ttyS11"},
      {"ttyUSB0", "/dev/ttyUSB0"},
      {"COM", "/dev/COM"},
      {"COM0", "/dev/COM0"},
      {"/dev/pts/7", "/dev/pts/7"},
      {"/dev/serial/by-id/usb-reader-if00-port0", "/dev/serial/by-id/usb-reader-if00-port0"},
      {"", ""},
  };
  for (const auto& [name, path] : cases) EXPECT_EQ(device_path(name), path) << name;
}

}  // namespace
}  // namespace tarn::platform

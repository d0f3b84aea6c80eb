#include "automation/guid.h"

#include <cstdio>

namespace automation {

std::string to_string(const Guid& g) {
  char text[39];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.data1,
                g.data2, g.data3, g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4],
                g.data4[5], g.data4[6], g.data4[7]);
  return text;
}

}  // namespace automation

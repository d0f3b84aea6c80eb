// Fuzz target: the virtual reader's JSON card loader. It may refuse a file only with CardError;
// any other exception escapes and ends the run.
#include <cstdint>
#include <string_view>

#include "readersim/card.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    readersim::parse_card(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz");
  } catch (const readersim::CardError&) {
  }
  return 0;
}

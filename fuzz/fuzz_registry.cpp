// Fuzz target: the registry's .reg text parser. Whatever it accepts must survive a round trip:
// the text written from the parsed tree parses again into the same tree (else abort).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "registry/reg_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  registry::Key root;
  if (!registry::parse(text, root).ok()) return 0;
  const std::string written = registry::format(root);
  registry::Key again;
  const registry::Status status = registry::parse(written, again);
  if (!status.ok() || !(again == root)) {
    std::fprintf(stderr, "the written registry does not read back (%s):\n%s\n",
                 status.error.c_str(), written.c_str());
    std::abort();
  }
  return 0;
}

// One row per export of the card-reader library: its name and a call built from fuzz input.
// Adding an export to the library means adding its row here (the fuzzer checks at start that
// every exported name has one).
#pragma once

#include <span>

#include "export_call.h"

namespace fuzz {

struct ExportRow {
  const char* name;
  int (*call)(ExportCall& call);
};

std::span<const ExportRow> export_table();

// A port name that no device answers to (for the open functions).
inline constexpr char kMissingDevice[] = "/nonexistent/tarn-fuzz";

}  // namespace fuzz

// Fuzz target: the card-reader library's two reply receivers and the unpacking of every export,
// against a reader whose answers come from the fuzz input.
//
// Input: 2 bytes choose the export (its row in the export table, modulo the row count), 32 bytes
// are its integer arguments, and the rest is the reader's script (scripted_port.h). Aborts when
// an export writes past its documented largest output, returns an undocumented result code, or
// writes a malformed request frame; the sanitizers catch the rest.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
#include <string>

#include "Tarn_DLL.h"
#include "environment.h"
#include "export_table.h"
#include "port_table.h"
#include "scripted_port.h"

namespace {

// Every code the library's exports document, the kernel's own included (-2, -3 through the
// PBOC operations); 1 to 511 are error bytes, folded callback results and tag codes.
bool documented(int result) {
  static const std::set<int> kNegative{-1,   -2,   -3,   -4,   -11,  -101, -103,
                                       -105, -106, -110, -111, -112, -200};
  return (result >= 0 && result <= 511) || kNegative.contains(result);
}

// Stops at once when an exported name has no row: the fuzzer would never reach it.
void check_every_export_has_a_row() {
  std::set<std::string> rows;
  for (const fuzz::ExportRow& row : fuzz::export_table()) rows.insert(row.name);
  std::ifstream list(TARN_EXPORTS_LIST);
  bool complete = true;
  for (std::string name; std::getline(list, name);) {
    if (!name.empty() && !rows.contains(name)) {
      std::fprintf(stderr, "fuzz_reply: no row for the export %s in export_table.cpp\n",
                   name.c_str());
      complete = false;
    }
  }
  if (!complete) std::abort();
}

// A fixed clock and no pauses, so that every input runs alike and fast.
void quiet_kernel() {
  ferro::set_environment({[] { return ferro::LocalTime{2021, 3, 4, 10, 5, 3}; },
                          [] { return std::int64_t{1614852303}; }, [](int) {}});
}

[[noreturn]] void fail(const fuzz::ExportRow& row, const std::string& what) {
  std::fprintf(stderr, "%s: %s\n", row.name, what.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ::setenv("TARN_DRIVE_D", "/nonexistent/tarn-fuzz-drive", 1);  // no log file
  quiet_kernel();
  check_every_export_has_a_row();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::ByteReader input({data, size});
  const auto table = fuzz::export_table();
  const fuzz::ExportRow& row = table[input.number(2) % table.size()];
  const auto arguments = input.take(fuzz::ExportCall::kArguments * 4);
  void* port = tarn::add_port(std::make_unique<fuzz::ScriptedPort>(input));
  fuzz::ExportCall call(port, arguments);
  const int result = row.call(call);
  Tarn_CommClose(port);
  if (const std::string damage = call.damaged_canary(); !damage.empty()) fail(row, damage);
  if (!documented(result)) fail(row, "undocumented result " + std::to_string(result));
  return 0;
}

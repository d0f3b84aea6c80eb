// Where the simulated printer and scanner live and what they are, read from the environment at
// every call so that a test or a user can change them between calls:
//
//   RKPRINTER_DIR           the devices' folder (default ~/.local/share/rkprinter)
//   RKPRINTER_NAME          the attached printer's name (default "RKP001")
//   RKPRINTER_ENUM          what printer enumeration answers (default "USB@" + the name)
//   RKPRINTER_SCANNER_PORT  the scanner's serial port number (default 3)
//   RKPRINTER_FAIL          "printer", "scanner" or "printer,scanner": those cannot be opened
//
// The folder holds spool.txt (printed text), scans.txt (readings waiting to be scanned, one a
// line), calls.log (every library call, one a line) and state.txt (the devices after the last
// call).
#pragma once

#include <filesystem>
#include <string>

namespace rkprinter {

struct Settings {
  std::filesystem::path folder;
  std::string printer_name;  // UTF-8
  std::string enumeration;   // UTF-8
  int scanner_port;
  bool printer_fails;
  bool scanner_fails;
};

inline constexpr const char* kDefaultPrinterName = "RKP001";
inline constexpr int kDefaultScannerPort = 3;

Settings current_settings();

std::filesystem::path spool_file();
std::filesystem::path scan_queue_file();
std::filesystem::path call_log_file();
std::filesystem::path state_file();

// Appends bytes to a file of the folder (created when missing); false when that fails.
bool append_to(const std::filesystem::path& file, std::string_view bytes);
// Replaces a file of the folder whole (temporary file, then rename); false when that fails.
bool replace(const std::filesystem::path& file, std::string_view bytes);
// The file's bytes; empty when it cannot be read.
std::string contents(const std::filesystem::path& file);

}  // namespace rkprinter

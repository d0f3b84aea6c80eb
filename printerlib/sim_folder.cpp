#include "sim_folder.h"

#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace rkprinter {
namespace {

std::string environment(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : fallback;
}

std::filesystem::path default_folder() {
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') return "/tmp/rkprinter-" + std::to_string(::getuid());
  return std::filesystem::path(home) / ".local/share/rkprinter";
}

// A port number that is not a number leaves the default.
int port_number(const std::string& text) {
  int port = kDefaultScannerPort;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  return error == std::errc() && end == text.data() + text.size() ? port : kDefaultScannerPort;
}

bool listed(const std::string& list, const std::string& word) {
  std::istringstream items(list);
  for (std::string item; std::getline(items, item, ',');)
    if (item == word) return true;
  return false;
}

}  // namespace

Settings current_settings() {
  Settings s;
  s.folder = environment("RKPRINTER_DIR", default_folder().string());
  s.printer_name = environment("RKPRINTER_NAME", kDefaultPrinterName);
  s.enumeration = environment("RKPRINTER_ENUM", "USB@" + s.printer_name);
  s.scanner_port = port_number(environment("RKPRINTER_SCANNER_PORT", ""));
  const std::string failing = environment("RKPRINTER_FAIL", "");
  s.printer_fails = listed(failing, "printer");
  s.scanner_fails = listed(failing, "scanner");
  return s;
}

std::filesystem::path spool_file() {
  return current_settings().folder / "spool.txt";
}
std::filesystem::path scan_queue_file() {
  return current_settings().folder / "scans.txt";
}
std::filesystem::path call_log_file() {
  return current_settings().folder / "calls.log";
}
std::filesystem::path state_file() {
  return current_settings().folder / "state.txt";
}

bool append_to(const std::filesystem::path& file, std::string_view bytes) {
  std::error_code ignored;
  std::filesystem::create_directories(file.parent_path(), ignored);
  std::ofstream out(file, std::ios::binary | std::ios::app);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

bool replace(const std::filesystem::path& file, std::string_view bytes) {
  std::error_code error;
  std::filesystem::create_directories(file.parent_path(), error);
  const std::filesystem::path temporary = file.string() + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
      std::filesystem::remove(temporary, error);
      return false;
    }
  }
  std::filesystem::rename(temporary, file, error);
  if (!error) return true;
  std::filesystem::remove(temporary, error);
  return false;
}

std::string contents(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace rkprinter

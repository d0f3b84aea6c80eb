#include "devices.h"

#include <cmath>
#include <sstream>

#include "scan_queue.h"
#include "utf.h"

namespace rkprinter {

int Devices::open_printer(const char16_t* name, const Settings& settings) {
  printer_.reset();
  if (name == nullptr || settings.printer_fails || to_utf8(name) != settings.printer_name) return 0;
  printer_ = settings.printer_name;
  return 1;
}

int Devices::close_printer() {
  const bool was_open = printer_.has_value();
  printer_.reset();
  return was_open;
}

int Devices::set_page_length(double length) {
  if (!std::isfinite(length) || length <= 0) return 0;
  page_length_ = length;
  return 1;
}

int Devices::print(const char* text, int mode) {
  if (!printer_ || text == nullptr || (mode != 0 && mode != 1)) return 0;
  return append_to(spool_file(), std::string(text) + (mode == 1 ? "\n" : ""));
}

int Devices::move_page(bool in) {
  if (!printer_) return 0;
  page_in_ = in;
  return 1;
}

int Devices::open_scanner(int port, const Settings& settings) {
  close_scanner();
  if (settings.scanner_fails || port != settings.scanner_port) return 0;
  scanner_open_ = true;
  scanner_port_ = port;
  return 1;
}

int Devices::set_light_duration(int seconds) {
  if (seconds <= 0) return 0;
  light_seconds_ = seconds;
  return 1;
}

int Devices::switch_light(bool on) {
  if (!scanner_open_) return 0;
  light_on_ = on;
  return 1;
}

int Devices::clear_cache() const {
  return scanner_open_;
}

int Devices::close_scanner() {
  const bool was_open = scanner_open_;
  scanner_open_ = false;
  light_on_ = false;
  return was_open;
}

std::optional<std::string> Devices::scan() {
  if (!scanner_open_ || !light_on_) return std::nullopt;
  return take_reading();
}

std::string Devices::describe() const {
  std::ostringstream out;
  out << "printer: " << (printer_ ? "open " + *printer_ : "closed") << "\n"
      << "page: " << (page_in_ ? "in" : "out") << "\n"
      << "page length: " << page_length_ << "\n"
      << "scanner: " << (scanner_open_ ? "open on port " + std::to_string(scanner_port_) : "closed")
      << "\n"
      << "light: " << (light_on_ ? "on" : "off") << "\n"
      << "light duration: " << light_seconds_ << " s\n";
  return out.str();
}

}  // namespace rkprinter

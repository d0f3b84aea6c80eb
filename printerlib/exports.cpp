// The library's fifteen functions over the simulated devices. Each call runs under one lock, is
// appended to the call log with its result, and leaves the devices' state in state.txt.
#include <cstdio>
#include <mutex>
#include <string>

#include "RkPrinterLib.h"
#include "call_log.h"
#include "devices.h"
#include "sim_folder.h"
#include "utf.h"

namespace {

using rkprinter::Devices;
using rkprinter::quoted;
using rkprinter::Settings;

std::mutex g_lock;
Devices g_devices;

std::string number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

std::string arguments(std::initializer_list<int> values) {
  std::string out;
  for (const int value : values) out += (out.empty() ? "" : ", ") + std::to_string(value);
  return out;
}

// Runs `operation` on the devices with the current settings and records "<call> = <result>".
template <class Operation>
int logged(const std::string& call, Operation operation) {
  const std::lock_guard lock(g_lock);
  const int result = operation(g_devices, rkprinter::current_settings());
  rkprinter::record_call(call, result);
  rkprinter::replace(rkprinter::state_file(), g_devices.describe());
  return result;
}

// The same for a call that answers a string; the string stays valid until the thread's next call.
template <class Operation>
const char16_t* logged_text(const std::string& call, Operation operation) {
  thread_local std::u16string answer;
  const std::lock_guard lock(g_lock);
  const std::optional<std::string> text = operation(g_devices, rkprinter::current_settings());
  if (text) answer = rkprinter::to_utf16(*text);
  const char16_t* result = text ? answer.c_str() : nullptr;
  rkprinter::record_call(call, quoted(result));
  rkprinter::replace(rkprinter::state_file(), g_devices.describe());
  return result;
}

}  // namespace

extern "C" {

RKPRINTER_API const char16_t* RkEnumPrinter(void) {
  return logged_text("RkEnumPrinter()", [](Devices&, const Settings& s) {
    return std::optional<std::string>(s.enumeration);
  });
}

RKPRINTER_API int RkOpenPrinter(const char16_t* name) {
  return logged("RkOpenPrinter(" + quoted(name) + ")",
                [name](Devices& d, const Settings& s) { return d.open_printer(name, s); });
}

RKPRINTER_API int RkClosePrinter(void) {
  return logged("RkClosePrinter()", [](Devices& d, const Settings&) { return d.close_printer(); });
}

RKPRINTER_API int RkSetPageLen(double length) {
  return logged("RkSetPageLen(" + number(length) + ")",
                [length](Devices& d, const Settings&) { return d.set_page_length(length); });
}

RKPRINTER_API int RkPrintDataA(const char* text, int mode) {
  return logged("RkPrintDataA(" + quoted(text) + ", " + std::to_string(mode) + ")",
                [=](Devices& d, const Settings&) { return d.print(text, mode); });
}

RKPRINTER_API int RkAutoPageLoad(void) {
  return logged("RkAutoPageLoad()", [](Devices& d, const Settings&) { return d.move_page(true); });
}

RKPRINTER_API int RkAutoPageUnload(void) {
  return logged("RkAutoPageUnload()",
                [](Devices& d, const Settings&) { return d.move_page(false); });
}

RKPRINTER_API int RkEnumSerialScanner(void) {
  return logged("RkEnumSerialScanner()",
                [](Devices&, const Settings& s) { return s.scanner_port; });
}

RKPRINTER_API int RkOpenSerialScanner(int port, int baud, int data_bits, int parity,
                                      int stop_bits) {
  return logged(
      "RkOpenSerialScanner(" + arguments({port, baud, data_bits, parity, stop_bits}) + ")",
      [port](Devices& d, const Settings& s) { return d.open_scanner(port, s); });
}

RKPRINTER_API int SetEnhancedScannerLightDuration(int seconds) {
  return logged("SetEnhancedScannerLightDuration(" + std::to_string(seconds) + ")",
                [seconds](Devices& d, const Settings&) { return d.set_light_duration(seconds); });
}

RKPRINTER_API int RkTurnOnEnhancedScanner(void) {
  return logged("RkTurnOnEnhancedScanner()",
                [](Devices& d, const Settings&) { return d.switch_light(true); });
}

RKPRINTER_API int RkTurnOffEnhancedScanner(void) {
  return logged("RkTurnOffEnhancedScanner()",
                [](Devices& d, const Settings&) { return d.switch_light(false); });
}

RKPRINTER_API int RkClearScanCache(void) {
  return logged("RkClearScanCache()", [](Devices& d, const Settings&) { return d.clear_cache(); });
}

RKPRINTER_API int RkCloseSerialScanner(void) {
  return logged("RkCloseSerialScanner()",
                [](Devices& d, const Settings&) { return d.close_scanner(); });
}

RKPRINTER_API const char16_t* GetScannerData(int wait_ms) {
  return logged_text("GetScannerData(" + std::to_string(wait_ms) + ")",
                     [](Devices& d, const Settings&) { return d.scan(); });
}

}  // extern "C"

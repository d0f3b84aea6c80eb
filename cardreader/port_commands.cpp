// Opening, closing and the reader's baud rate.
#include <algorithm>
#include <array>

#include "Tarn_DLL.h"
#include "exchange.h"
#include "log_file.h"
#include "port_table.h"

namespace tarn {
namespace {

struct Rate {
  unsigned baud;
  const char* definition;
  std::uint8_t pm;
};

constexpr std::array<Rate, 8> kRates{{{1200, "1200,n,8,1", '0'},
                                      {2400, "2400,n,8,1", '1'},
                                      {4800, "4800,n,8,1", '2'},
                                      {9600, "9600,n,8,1", '3'},
                                      {19200, "19200,n,8,1", '4'},
                                      {38400, "38400,n,8,1", '5'},
                                      {57600, "57600,n,8,1", '6'},
                                      {115200, "115200,n,8,1", '7'}}};

const Rate* find_rate(long long baud) {
  const auto rate =
      std::find_if(kRates.begin(), kRates.end(), [&](const Rate& r) { return r.baud == baud; });
  return rate == kRates.end() ? nullptr : &*rate;
}

// Opens and configures the device; a device that opened but could not be configured is closed.
void* open_port(const char* name, const char* definition) {
  if (!name || !*name) return nullptr;
  auto opened = platform::open_serial_port(name, definition);
  if (!opened) return nullptr;
  opened->purge();
  return add_port(std::move(opened));
}

}  // namespace
}  // namespace tarn

using namespace tarn;

extern "C" TARN_API TARN_HANDLE Tarn_CommOpen(const char* port) {
  void* handle = open_port(port, "9600,n,8,1");
  if (handle) reopen_log_file();
  return handle;
}

extern "C" TARN_API TARN_HANDLE Tarn_CommOpenWithBaud(const char* port, unsigned int baud) {
  const Rate* rate = find_rate(baud);
  return rate ? open_port(port, rate->definition) : nullptr;
}

extern "C" TARN_API int Tarn_CommClose(TARN_HANDLE port) {
  if (!port) return TARN_E_NOPORT;
  return close_port(port) ? TARN_OK : TARN_E_CLOSE;
}

extern "C" TARN_API int Tarn_SetCommBaud(TARN_HANDLE port, int baud) {
  if (!port) return TARN_E_NOPORT;
  const Rate* rate = find_rate(baud);
  if (!rate) return TARN_E_REPLY;
  return run_command(port, {'F', rate->pm});
}

// The reader's own commands: reset, position and sensors, card entry and moves, auto-tests,
// contact power, LEDs, magnetic stripe, barcode, machine identity, counters, external I/O.
#include <algorithm>
#include <array>
#include <cstring>

#include "Tarn_DLL.h"
#include "exchange.h"
#include "frame.h"
#include "port_table.h"

namespace tarn {
namespace {

constexpr char kVersion[] = "TarnDLL_V 20160606";
constexpr std::size_t kStripeReply = 500;
constexpr std::size_t kShortReply = 30;
constexpr std::size_t kMaxMachineId = 91;
constexpr std::size_t kMaxMachineIdRequest = 92;
constexpr long kEotWait = 1500;

// Copies the first `n` reply data bytes to `out`.
int copy_data(const Reply& reply, unsigned char* out, std::size_t n) {
  for (std::size_t k = 0; k < n; ++k) out[k] = reply.data_at(k);
  return TARN_OK;
}

int one_byte(void* port, std::uint8_t cm, std::uint8_t pm, unsigned char* out) {
  return run_command(port, {cm, pm}, [out](const Reply& r) { return copy_data(r, out, 1); });
}

// Stripe data with its count; the decoded read also wants ETX in its place and marks empty tracks.
int read_stripe(void* port, const Command& command, int* count, unsigned char* out) {
  const bool decoded = command.wait == HeaderWait::Short;
  return run_command(port, command, [=](const Reply& r) {
    if (decoded && r.at(r.text_length() + 3) != kEtx) return 8;
    const auto data = r.data();
    *count = static_cast<int>(data.size());
    std::copy(data.begin(), data.end(), out);
    for (std::size_t k = 0; decoded && k <= 4; k += 2)
      if (out[k] == 0x60 && out[k + 1] == 0x00) out[k] = 0x65;
    return TARN_OK;
  });
}

}  // namespace
}  // namespace tarn

using namespace tarn;

extern "C" TARN_API int Tarn_Reset(TARN_HANDLE port, int pm, unsigned char* out) {
  return run_command(port, {'0', low_byte(pm)}, [out](const Reply& r) {
    std::fill_n(out, 4, 0);
    return copy_data(r, out, r.data().size());
  });
}

extern "C" TARN_API int Tarn_CheckCardPosition(TARN_HANDLE port, unsigned char* status) {
  return one_byte(port, '1', '0', status);
}

extern "C" TARN_API int Tarn_CheckSensorStates(TARN_HANDLE port, unsigned char* states) {
  return run_command(port, {'1', '1'},
                     [states](const Reply& r) { return copy_data(r, states, 7); });
}

extern "C" TARN_API int Tarn_CheckSensorVoltage(TARN_HANDLE port, unsigned char* voltages) {
  return run_command(port, {'1', '2'},
                     [voltages](const Reply& r) { return copy_data(r, voltages, 12); });
}

extern "C" TARN_API int Tarn_EnterCard(TARN_HANDLE port, int pm, unsigned int wait_ms) {
  return run_card_entry(port, low_byte(pm), wait_ms);
}

extern "C" TARN_API int Tarn_EnterCardUntime(TARN_HANDLE port, int pm) {
  return run_command(port, {'2', low_byte(pm)});
}

extern "C" TARN_API int Tarn_MoveCard(TARN_HANDLE port, int pm) {
  return run_command(port, {'3', low_byte(pm)});
}

extern "C" TARN_API int Tarn_AutoTestICCard(TARN_HANDLE port, unsigned char* result) {
  return one_byte(port, '4', '0', result);
}

extern "C" TARN_API int Tarn_AutoTestRFIDCard(TARN_HANDLE port, unsigned char* result) {
  return one_byte(port, '4', '1', result);
}

extern "C" TARN_API int Tarn_PowerOn(TARN_HANDLE port) {
  return run_command(port, {'E', '0'});
}
extern "C" TARN_API int Tarn_IcCardPowerOn(TARN_HANDLE port) __attribute__((alias("Tarn_PowerOn")));

extern "C" TARN_API int Tarn_PowerOff(TARN_HANDLE port) {
  return run_command(port, {'E', '1'});
}
extern "C" TARN_API int Tarn_IcCardPowerOff(TARN_HANDLE port)
    __attribute__((alias("Tarn_PowerOff")));

extern "C" TARN_API int Tarn_Led1Control(TARN_HANDLE port, int pm) {
  return run_command(port, {'5', low_byte(pm)});
}

extern "C" TARN_API int Tarn_Led2Control(TARN_HANDLE port, int pm) {
  return run_command(port, {'6', low_byte(pm)});
}

extern "C" TARN_API int Tarn_SetLedFlickerRate(TARN_HANDLE port, int led_cm, int rate) {
  const std::array<std::uint8_t, 1> data{low_byte(rate)};
  return run_command(port, {low_byte(led_cm), '3', data});
}

extern "C" TARN_API int Tarn_ReadMagcardDecode(TARN_HANDLE port, int pm, int* count,
                                               unsigned char* out) {
  return read_stripe(port, {'7', low_byte(pm), {}, kStripeReply, HeaderWait::Short}, count, out);
}

extern "C" TARN_API int Tarn_ReadMagcardUNDecode(TARN_HANDLE port, int pm, int* count,
                                                 unsigned char* out) {
  return read_stripe(port, {'8', low_byte(pm), {}, kStripeReply}, count, out);
}

extern "C" TARN_API int Tarn_ClearMagCardData(TARN_HANDLE port) {
  return run_command(port, {'7', '9'});
}

// Hands over L + 5 bytes from reply data byte 0: the data, ETX, BCC and then zeros. Bytes past
// the 30-byte reply buffer are zeros as well (the buffer holds replies up to L = 25).
extern "C" TARN_API int Tarn_ReadBarcode(TARN_HANDLE port, unsigned char* out) {
  return run_command(port, {'I', '0', {}, kShortReply},
                     [out](const Reply& r) { return copy_data(r, out, r.text_length() + 5); });
}

// A reply announcing more identity bytes than a consistent reply carries is refused.
extern "C" TARN_API int Tarn_GetMachineIDNum(TARN_HANDLE port, unsigned char* length,
                                             unsigned char* out) {
  return run_command(port, {0x90, '0'}, [=](const Reply& r) {
    const std::uint8_t n = r.data_at(0);
    if (n > kMaxMachineId) return TARN_E_REPLY;
    *length = n;
    for (std::size_t k = 0; k < n; ++k) out[k] = r.data_at(1 + k);
    return TARN_OK;
  });
}

extern "C" TARN_API int Tarn_SetMachineIDNum(TARN_HANDLE port, int length,
                                             const unsigned char* data) {
  if (!port) return TARN_E_NOPORT;
  const std::uint8_t n = low_byte(length);
  if (n > kMaxMachineIdRequest || (n > 0 && !data)) return TARN_E_ARGUMENT;
  std::array<std::uint8_t, kMaxMachineIdRequest + 1> request{n};
  if (n > 0) std::memcpy(request.data() + 1, data, n);
  return run_command(port, {0x90, '1', std::span(request).first(n + 1u)});
}

extern "C" TARN_API int Tarn_ReadRetainCount(TARN_HANDLE port, int* count) {
  return run_command(port, {'Q', '0', {}, kShortReply}, [count](const Reply& r) {
    *count = (r.data_at(0) - 0x30) * 100 + (r.data_at(1) - 0x30) * 10 + (r.data_at(2) - 0x30);
    return TARN_OK;
  });
}

extern "C" TARN_API int Tarn_ClearRetainCount(TARN_HANDLE port) {
  return run_command(port, {'Q', '1', {}, kShortReply});
}

extern "C" TARN_API int Tarn_IccEnableExtIO(TARN_HANDLE port, int enable) {
  return run_command(port, {0x92, static_cast<std::uint8_t>(enable ? '1' : '0'), {}, kShortReply});
}

extern "C" TARN_API int Tarn_GetSysVerion(TARN_HANDLE, char* version) {
  if (version) std::memcpy(version, kVersion, sizeof kVersion);
  return TARN_OK;
}

extern "C" TARN_API int Tarn_Eot(TARN_HANDLE handle) {
  if (!handle) return TARN_E_NOPORT;
  const PortRef port = find_port(handle);
  std::uint8_t byte = kEot;
  if (!port || port->write(&byte, 1) != 1) return TARN_E_WRITE;
  if (!port->wait_queued(1, kEotWait)) return TARN_E_REPLY;
  if (port->read(&byte, 1) != 1) return TARN_E_READ;
  return byte == kEot ? TARN_OK : TARN_E_REPLY;
}

extern "C" TARN_API int Tarn_TestCmd(TARN_HANDLE handle, int) {
  if (!handle) return TARN_E_NOPORT;
  static constexpr std::uint8_t kTestFrame[] = {0x02, 0x00, 0x02, 0x92, 0x92, 0x03, 0x03};
  if (const PortRef port = find_port(handle)) {
    port->purge();
    port->write(kTestFrame, sizeof kTestFrame);
  }
  return TARN_OK;
}

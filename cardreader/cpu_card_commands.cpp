// Contact CPU card ("9"), SIM/SAM sockets (":") and contactless CPU card ("G"): resets, power,
// socket selection and APDU exchanges. The library adds no card protocol of its own: whatever
// the card answers, status words included, goes to the caller unchanged.
#include <algorithm>
#include <optional>
#include <vector>

#include "Tarn_DLL.h"
#include "cpu_card.h"
#include "time/clock.h"

namespace tarn {
namespace {

constexpr std::uint8_t kContact = '9';
constexpr std::uint8_t kSocket = ':';
constexpr std::uint8_t kContactless = 'G';

constexpr std::uint8_t kColdReset = '0';
constexpr std::uint8_t kPowerOff = '1';
constexpr std::uint8_t kWarmReset = '2';
constexpr std::uint8_t kT0 = '3';
constexpr std::uint8_t kT1 = '4';
constexpr std::uint8_t kSelectSocket = '5';
constexpr std::uint8_t kTypeAPowerOn = '0';
constexpr std::uint8_t kContactlessApdu = '3';
constexpr std::uint8_t kTypeBPowerOn = '6';

constexpr std::size_t kApduBuffer = 300;  // request frame and reply buffer of an APDU exchange
constexpr std::size_t kTypeAReply = 500;
constexpr std::size_t kFrameBytes = 9;  // STX, length, CM, PM, APDU length, ETX, BCC
constexpr std::size_t kMaxApdu = kApduBuffer - kFrameBytes;                 // 291
constexpr std::size_t kMaxContactlessApdu = kApduBuffer - kFrameBytes - 1;  // 290, option byte
constexpr std::size_t kMaxResponse = 290;
constexpr std::size_t kMaxContactlessResponse = 291;
constexpr unsigned kColdResetPause = 50;

struct Atr {
  std::uint8_t protocol;
  std::span<const std::uint8_t> bytes;
};

// Reset reply data: count N, protocol character, N - 1 ATR bytes. A count of 0 or one that
// reaches past the received data is no answer to reset.
std::optional<Atr> parse_atr(const Reply& reply) {
  const auto data = reply.data();
  const std::size_t n = reply.data_at(0);
  if (n == 0 || n + 1 > data.size()) return std::nullopt;
  return Atr{data[1], data.subspan(2, n - 1)};
}

template <class Length>
int reset(void* port, const Command& command, unsigned char* protocol, unsigned char* atr,
          Length* atr_length) {
  return run_command(port, command, [=](const Reply& reply) {
    const auto parsed = parse_atr(reply);
    if (!parsed) return TARN_E_REPLY;
    *protocol = parsed->protocol;
    std::copy(parsed->bytes.begin(), parsed->bytes.end(), atr);
    *atr_length = static_cast<Length>(parsed->bytes.size());
    return TARN_OK;
  });
}

template <class Length>
int warm_reset(void* port, std::uint8_t cm, int parameter, unsigned char* protocol,
               unsigned char* atr, Length* atr_length) {
  const std::uint8_t character = low_byte(parameter);
  if (character < '0' || character > '2') return TARN_E_REPLY;
  const std::uint8_t data[] = {character};
  return reset(port, {cm, kWarmReset, data}, protocol, atr, atr_length);
}

// The request data of an APDU exchange: [option byte], length (2 bytes, high first), APDU.
// Empty when the APDU does not fit the request frame.
std::optional<std::vector<std::uint8_t>> apdu_request(std::optional<std::uint8_t> option,
                                                      int length, const unsigned char* apdu) {
  const std::size_t most = option ? kMaxContactlessApdu : kMaxApdu;
  if (length < 0 || static_cast<std::size_t>(length) > most || (length > 0 && !apdu))
    return std::nullopt;
  std::vector<std::uint8_t> data;
  if (option) data.push_back(*option);
  data.push_back(static_cast<std::uint8_t>(length >> 8));
  data.push_back(static_cast<std::uint8_t>(length));
  data.insert(data.end(), apdu, apdu + length);
  return data;
}

// Contact and socket exchange: reply data is the response length r (2 bytes) and r bytes.
int contact_apdu(void* port, std::uint8_t cm, std::uint8_t pm, int length,
                 const unsigned char* apdu, std::span<std::uint8_t> response,
                 int* response_length) {
  if (!port) return TARN_E_NOPORT;
  const auto request = apdu_request(std::nullopt, length, apdu);
  if (!request) return TARN_E_ARGUMENT;
  return run_command(port, {cm, pm, *request, kApduBuffer}, [=](const Reply& reply) {
    const auto data = reply.data();
    const std::size_t r = static_cast<std::size_t>(reply.data_at(0)) << 8 | reply.data_at(1);
    if (data.size() < 2 || r > data.size() - 2 || r > response.size()) return TARN_E_REPLY;
    *response_length = static_cast<int>(r);
    std::copy_n(data.begin() + 2, r, response.begin());
    return TARN_OK;
  });
}

// Contactless exchange: reply data is one leading byte, then the response up to ETX.
int contactless_apdu(void* port, int option, int length, const unsigned char* apdu,
                     unsigned char* leading, std::span<std::uint8_t> response,
                     int* response_length) {
  if (!port) return TARN_E_NOPORT;
  const auto request = apdu_request(low_byte(option), length, apdu);
  if (!request) return TARN_E_ARGUMENT;
  return run_command(port, {kContactless, kContactlessApdu, *request, kApduBuffer},
                     [=](const Reply& reply) {
                       const auto data = reply.data();
                       if (data.empty() || data.size() - 1 > response.size()) return TARN_E_REPLY;
                       *leading = data[0];
                       *response_length = static_cast<int>(data.size() - 1);
                       std::copy(data.begin() + 1, data.end(), response.begin());
                       return TARN_OK;
                     });
}

// The whole reply data, and optionally its length.
template <class Length>
int power_on_data(void* port, const Command& command, unsigned char* out, Length* length) {
  return run_command(port, command, [=](const Reply& reply) {
    const auto data = reply.data();
    std::copy(data.begin(), data.end(), out);
    if (length) *length = static_cast<Length>(data.size());
    return TARN_OK;
  });
}

int pause_after(int result) {
  if (result == TARN_OK) platform::sleep_ms(kColdResetPause);
  return result;
}

std::span<std::uint8_t> out_span(unsigned char* out, std::size_t size) {
  return {out, out ? size : 0};
}

}  // namespace

int CpuCardColdResetData(void* port, unsigned char* data, unsigned char* length) {
  return pause_after(power_on_data(port, {kContact, kColdReset}, data, length));
}

int CPUT0APDUEx(void* port, int, int length, const unsigned char* apdu, unsigned char*,
                unsigned char* response, int* response_length) {
  return contact_apdu(port, kContact, kT0, length, apdu, out_span(response, kMaxResponse),
                      response_length);
}

int CPUTypeACardPowerOnEx(void* port, unsigned char* data, int* length) {
  return power_on_data(port, {kContactless, kTypeAPowerOn, {}, kTypeAReply}, data, length);
}

int exchange_apdu(void* port, CardChannel channel, std::span<const std::uint8_t> apdu,
                  std::span<std::uint8_t> response, std::size_t& length) {
  const int n = static_cast<int>(std::min(apdu.size(), kApduBuffer));
  int received = 0;
  int result = TARN_OK;
  if (channel == CardChannel::Contactless) {
    unsigned char leading = 0;
    result = contactless_apdu(port, 0, n, apdu.data(), &leading, response, &received);
  } else {
    const std::uint8_t pm = channel == CardChannel::ContactT0 ? kT0 : kT1;
    result = contact_apdu(port, kContact, pm, n, apdu.data(), response, &received);
  }
  if (result == TARN_OK) length = static_cast<std::size_t>(received);
  return result;
}

}  // namespace tarn

using namespace tarn;

// ---- Contact CPU card ----

extern "C" TARN_API int Tarn_CpuCardColdReset(TARN_HANDLE port, unsigned char* protocol,
                                              unsigned char* atr, unsigned char* atr_length) {
  return pause_after(reset(port, {kContact, kColdReset}, protocol, atr, atr_length));
}

extern "C" TARN_API int Tarn_CpuCardWarmReset(TARN_HANDLE port, int parameter,
                                              unsigned char* protocol, unsigned char* atr,
                                              unsigned char* atr_length) {
  return warm_reset(port, kContact, parameter, protocol, atr, atr_length);
}

extern "C" TARN_API int Tarn_CpuCardPowerOff(TARN_HANDLE port) {
  return run_command(port, {kContact, kPowerOff});
}

extern "C" TARN_API int Tarn_CPUT0APDU(TARN_HANDLE port, int length, const unsigned char* apdu,
                                       unsigned char* response, int* response_length) {
  return contact_apdu(port, kContact, kT0, length, apdu, out_span(response, kMaxResponse),
                      response_length);
}

extern "C" TARN_API int Tarn_CPUT1APDU(TARN_HANDLE port, int length, const unsigned char* apdu,
                                       unsigned char* response, int* response_length) {
  return contact_apdu(port, kContact, kT1, length, apdu, out_span(response, kMaxResponse),
                      response_length);
}

// ---- SIM/SAM sockets ----

// Socket numbers 0 to 7 go out as the characters "0" to "7"; any other byte as it is.
extern "C" TARN_API int Tarn_SimSelect(TARN_HANDLE port, int socket) {
  const std::uint8_t number = low_byte(socket);
  const std::uint8_t data[] = {static_cast<std::uint8_t>(number <= 7 ? number + '0' : number)};
  return run_command(port, {kSocket, kSelectSocket, data});
}

extern "C" TARN_API int Tarn_SimColdReset(TARN_HANDLE port, unsigned char* protocol,
                                          unsigned char* atr, int* atr_length) {
  return reset(port, {kSocket, kColdReset}, protocol, atr, atr_length);
}

extern "C" TARN_API int Tarn_SimWarmReset(TARN_HANDLE port, int parameter, unsigned char* protocol,
                                          unsigned char* atr, int* atr_length) {
  return warm_reset(port, kSocket, parameter, protocol, atr, atr_length);
}

extern "C" TARN_API int Tarn_SimCardPowerOff(TARN_HANDLE port) {
  return run_command(port, {kSocket, kPowerOff});
}

extern "C" TARN_API int Tarn_SimT0APDU(TARN_HANDLE port, int length, const unsigned char* apdu,
                                       unsigned char* response, int* response_length) {
  return contact_apdu(port, kSocket, kT0, length, apdu, out_span(response, kMaxResponse),
                      response_length);
}

extern "C" TARN_API int Tarn_SimT1APDU(TARN_HANDLE port, int length, const unsigned char* apdu,
                                       unsigned char* response, int* response_length) {
  return contact_apdu(port, kSocket, kT1, length, apdu, out_span(response, kMaxResponse),
                      response_length);
}

// ---- Contactless CPU card ----

extern "C" TARN_API int Tarn_CPUTypeACardPowerOn(TARN_HANDLE port, unsigned char* data) {
  return power_on_data(port, {kContactless, kTypeAPowerOn, {}, kTypeAReply}, data,
                       static_cast<int*>(nullptr));
}

extern "C" TARN_API int Tarn_CPUTypeBCardPowerOn(TARN_HANDLE port, unsigned char* data) {
  return power_on_data(port, {kContactless, kTypeBPowerOn}, data, static_cast<int*>(nullptr));
}

extern "C" TARN_API int Tarn_CPUTypeBAPDU(TARN_HANDLE port, int option, int length,
                                          const unsigned char* apdu, unsigned char* leading,
                                          unsigned char* response, int* response_length) {
  return contactless_apdu(port, option, length, apdu, leading,
                          out_span(response, kMaxContactlessResponse), response_length);
}
extern "C" TARN_API int Tarn_CPUTypeAAPDU(TARN_HANDLE port, int option, int length,
                                          const unsigned char* apdu, unsigned char* leading,
                                          unsigned char* response, int* response_length)
    __attribute__((alias("Tarn_CPUTypeBAPDU")));

// ---- Compatibility entry points ----

extern "C" TARN_API int Tarn_CPUCardPowerOn(TARN_HANDLE port, unsigned char* data) {
  return Tarn_CPUTypeACardPowerOn(port, data);
}

extern "C" TARN_API int Tarn_CPUAPDU(TARN_HANDLE port, int option, int length,
                                     const unsigned char* apdu, unsigned char* leading,
                                     unsigned char* response, int* response_length) {
  return Tarn_CPUTypeBAPDU(port, option, length, apdu, leading, response, response_length);
}

extern "C" TARN_API int Tarn_ReadSerialNumber(TARN_HANDLE port, unsigned char* out) {
  unsigned char length = 0;
  return Tarn_GetMachineIDNum(port, &length, out);
}

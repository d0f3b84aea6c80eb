// Fixed EMV commands of a PBOC debit card (contact and contactless), the identity-card number
// and the one-call card-information read of a social-security card.
#include <cstdio>
#include <cstring>

#include "Tarn_DLL.h"
#include "card_response.h"
#include "social_security_apdus.h"

namespace tarn {
namespace {

constexpr std::uint8_t kSelectPse[] = {0x00, 0xA4, 0x04, 0x00, 0x0E, '1', 'P', 'A', 'Y', '.',
                                       'S',  'Y',  'S',  '.',  'D',  'D', 'F', '0', '1'};
constexpr std::uint8_t kReadFirstRecord[] = {0x00, 0xB2, 0x01, 0x0C, 0x00};  // SFI 1, record 1
constexpr std::uint8_t kSelectDebitApp[] = {0x00, 0xA4, 0x04, 0x00, 0x08, 0xA0, 0x00,
                                            0x00, 0x03, 0x33, 0x01, 0x01, 0x01};
constexpr std::uint8_t kGetProcessingOptions[] = {0x80, 0xA8, 0x00, 0x00, 0x0B, 0x83, 0x09, 0x01,
                                                  0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x01, 0x56};
constexpr std::uint8_t kSelectEf05[] = {0x00, 0xA4, 0x00, 0x00, 0x02, 0xEF, 0x05};
constexpr std::uint8_t kSelectEf06[] = {0x00, 0xA4, 0x00, 0x00, 0x02, 0xEF, 0x06};

constexpr std::size_t kEmvResponse = 400;
constexpr std::size_t kInfoResponse = 255;
constexpr std::size_t kIdReply = 32;
constexpr std::size_t kIdBytes = 4;
constexpr std::uint8_t kTrack2Tag = 0x57;
constexpr std::size_t kMaxAtr = 96;

CardChannel channel_of(bool contactless) {
  return contactless ? CardChannel::Contactless : CardChannel::ContactT0;
}

// 0 when the response ends with 90 00, 1 otherwise, or the transport's code.
int judged(void* port, bool contactless, std::span<const std::uint8_t> apdu) {
  CardResponse response(kEmvResponse);
  if (const int result = response.transmit(port, channel_of(contactless), apdu)) return result;
  return response.ends_with_success() ? TARN_OK : 1;
}

// Position of the first 0x57 before the status word; 0 when there is none (a plain byte search,
// not a walk through the TLV structure).
std::size_t track2_position(const CardResponse& response) {
  for (std::size_t p = 0; p + 2 < response.length(); ++p)
    if (response.at(p) == kTrack2Tag) return p;
  return 0;
}

// Copies the account number's BCD bytes up to the field separator D. The value is never read
// beyond the received record: the copy also stops where the status word begins.
int take_card_number(const CardResponse& response, int* digits, unsigned char* number) {
  const std::size_t p = track2_position(response);
  const std::size_t value_end = response.length() - 2;
  const std::size_t length = response.at(p + 1);
  int count = 0;
  for (std::size_t i = 0; i < length && p + 2 + i < value_end; ++i) {
    const std::uint8_t b = response.at(p + 2 + i);
    if ((b >> 4) == 0xD) break;
    number[i] = b;
    if ((b & 0x0F) == 0xD) {
      ++count;
      break;
    }
    count += 2;
  }
  *digits = count;
  return TARN_OK;
}

int read_card_number(void* port, bool contactless, int* digits, unsigned char* number) {
  CardResponse response(kEmvResponse);
  if (const int result = response.transmit(port, channel_of(contactless), kReadFirstRecord))
    return result;
  if (!response.ends_with_success()) return 1;
  return take_card_number(response, digits, number);
}

// The card-information pieces: responses joined by "&".
class InfoWriter {
 public:
  explicit InfoWriter(unsigned char* out) : out_(out) {}
  void append(std::span<const std::uint8_t> piece) {
    if (pieces_++ > 0) out_[size_++] = '&';
    std::memcpy(out_ + size_, piece.data(), piece.size());
    size_ += piece.size();
  }
  int size() const { return static_cast<int>(size_); }

 private:
  unsigned char* out_;
  std::size_t size_ = 0;
  int pieces_ = 0;
};

struct InfoStep {
  std::span<const std::uint8_t> apdu;
  bool piece;  // its whole response goes into the output
};

constexpr InfoStep kInfoSteps[] = {
    {kSelectSocialSecurityApp, false},
    {kSelectEf05, false},
    {kReadCardNumber, true},
    {kSelectEf06, false},
    {kReadIdNumber, true},
    {kReadName, true},
};

// The six APDUs; status words are not examined. A transport failure ends the read at once.
int read_info(void* port, CardChannel channel, unsigned char* info, int* length) {
  InfoWriter writer(info);
  CardResponse response(kInfoResponse);
  for (const InfoStep& step : kInfoSteps) {
    if (const int result = response.transmit(port, channel, step.apdu)) return result;
    if (step.piece) writer.append(response.received());
  }
  *length = writer.size();
  return TARN_OK;
}

}  // namespace
}  // namespace tarn

using namespace tarn;

extern "C" TARN_API int Tarn_SelectPSE(TARN_HANDLE port) {
  return judged(port, false, kSelectPse);
}
extern "C" TARN_API int Tarn_CPUTypeASelectPSE(TARN_HANDLE port) {
  return judged(port, true, kSelectPse);
}

extern "C" TARN_API int Tarn_ReadPSEDirFile(TARN_HANDLE port) {
  return judged(port, false, kReadFirstRecord);
}
extern "C" TARN_API int Tarn_CPUTypeAReadPSEDirFile(TARN_HANDLE port) {
  return judged(port, true, kReadFirstRecord);
}

extern "C" TARN_API int Tarn_SelectADFFile(TARN_HANDLE port) {
  return judged(port, false, kSelectDebitApp);
}
extern "C" TARN_API int Tarn_CPUTypeASelectADFFile(TARN_HANDLE port) {
  return judged(port, true, kSelectDebitApp);
}

extern "C" TARN_API int Tarn_GPOCMD(TARN_HANDLE port) {
  return judged(port, false, kGetProcessingOptions);
}
extern "C" TARN_API int Tarn_CPUTypeAGPOCMD(TARN_HANDLE port) {
  CardResponse response(kEmvResponse);
  return response.transmit(port, CardChannel::Contactless, kGetProcessingOptions);
}

extern "C" TARN_API int Tarn_ReadRecordFile(TARN_HANDLE port, int* digits, unsigned char* number) {
  return read_card_number(port, false, digits, number);
}
extern "C" TARN_API int Tarn_CPUTypeAReadRecordFile(TARN_HANDLE port, int* digits,
                                                    unsigned char* number) {
  return read_card_number(port, true, digits, number);
}

extern "C" TARN_API int Tarn_GetIdCardNo(TARN_HANDLE port, char* text) {
  return run_command(port, {'I', '0', {}, kIdReply}, [text](const Reply& reply) {
    if (reply.data().size() < kIdBytes) return TARN_E_REPLY;
    const std::uint32_t v = static_cast<std::uint32_t>(reply.data_at(0)) << 24 |
                            static_cast<std::uint32_t>(reply.data_at(1)) << 16 |
                            static_cast<std::uint32_t>(reply.data_at(2)) << 8 | reply.data_at(3);
    char digits[11];
    std::snprintf(digits, sizeof digits, "%010u", static_cast<unsigned>(v));
    std::memcpy(text, digits, sizeof digits);
    return TARN_OK;
  });
}

extern "C" TARN_API int Tarn_ReadInfoPOP(TARN_HANDLE port, unsigned char* info, int* length) {
  unsigned char protocol = 0, atr_length = 0;
  unsigned char atr[kMaxAtr];
  if (const int result = Tarn_CpuCardColdReset(port, &protocol, atr, &atr_length)) return result;
  if (protocol == '0' || protocol == '1') {
    const CardChannel channel = protocol == '0' ? CardChannel::ContactT0 : CardChannel::ContactT1;
    if (const int result = read_info(port, channel, info, length)) return result;
  }
  return Tarn_MoveCard(port, '4');
}

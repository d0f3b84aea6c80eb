// Social-security cards: application and file selections, the seven field readers, the combined
// read of the basic personal data, and the "Auto" flows that reset the card first.
#include <algorithm>

#include "Tarn_DLL.h"
#include "card_response.h"
#include "social_security_apdus.h"
#include "time/clock.h"

namespace tarn {
namespace {

constexpr std::uint8_t kSelectBasicFile[] = {0x00, 0xA4, 0x02, 0x00, 0x02, 0xEF, 0x06};
constexpr std::uint8_t kSelectCardFile[] = {0x00, 0xA4, 0x02, 0x00, 0x02, 0xEF, 0x05};
constexpr std::uint8_t kReadAllRecords[] = {0x00, 0xB2, 0x01, 0x05};

constexpr std::size_t kResponse = 400;
constexpr std::size_t kInfoResponse = 200;
constexpr std::size_t kMaxAtr = 96;
constexpr unsigned kStepPause = 30;
constexpr unsigned kFlowPause = 100;

// A field: its READ RECORD (Le = the offset of the status word) and its size; size 0 means as
// many bytes as the record's length byte says, never reaching into the status word.
struct Field {
  std::span<const std::uint8_t> apdu;
  std::size_t size;
};

constexpr std::uint8_t kReadGender[] = {0x00, 0xB2, 0x03, 0x04, 0x03};
constexpr std::uint8_t kReadNation[] = {0x00, 0xB2, 0x04, 0x04, 0x03};
constexpr std::uint8_t kReadRegional[] = {0x00, 0xB2, 0x05, 0x04, 0x05};
constexpr std::uint8_t kReadBirthDay[] = {0x00, 0xB2, 0x06, 0x04, 0x06};

constexpr Field kCardNumber{kReadCardNumber, 0};
constexpr Field kIdNumber{kReadIdNumber, 0};
constexpr Field kName{kReadName, 0};
constexpr Field kGender{kReadGender, 1};
constexpr Field kNation{kReadNation, 1};
constexpr Field kRegional{kReadRegional, 3};
constexpr Field kBirthDay{kReadBirthDay, 4};

int read_field(void* port, const Field& field, unsigned char* out) {
  CardResponse response(kResponse);
  if (const int result = response.transmit(port, CardChannel::ContactT0, field.apdu)) return result;
  const std::size_t status = field.apdu[4];
  if (!response.success_at(status)) return 1;
  const std::size_t size =
      field.size ? field.size : std::min<std::size_t>(response.at(1), status - 2);
  for (std::size_t i = 0; i < size; ++i) out[i] = response.at(2 + i);
  return TARN_OK;
}

int select(void* port, std::span<const std::uint8_t> apdu, bool status_first) {
  CardResponse response(kResponse);
  if (const int result = response.transmit(port, CardChannel::ContactT0, apdu)) return result;
  return (status_first ? response.success_at(0) : response.ends_with_success()) ? TARN_OK : 1;
}

// The fields of the combined read: tag, value size, tag offset in the 71- and 93-byte layouts.
struct InfoField {
  std::uint8_t tag;
  std::size_t size;
  std::size_t offset_71;
  std::size_t offset_93;
};

constexpr InfoField kInfoFields[] = {
    {0x08, 18, 0, 0},  {0x09, 30, 20, 20}, {0x0A, 1, 52, 74},
    {0x0B, 1, 55, 77}, {0x0C, 3, 58, 80},  {0x0D, 4, 63, 85},
};
constexpr std::size_t kShortLayout = 71;
constexpr std::size_t kLongLayout = 93;

void take_info_fields(const CardResponse& response, unsigned char* const (&outs)[6]) {
  const bool short_layout = response.length() == kShortLayout;
  if (!short_layout && response.length() != kLongLayout) return;
  for (std::size_t f = 0; f < std::size(kInfoFields); ++f) {
    const InfoField& field = kInfoFields[f];
    const std::size_t tag = short_layout ? field.offset_71 : field.offset_93;
    if (response.at(tag) != field.tag) continue;
    for (std::size_t i = 0; i < field.size; ++i) outs[f][i] = response.at(tag + 2 + i);
  }
}

int with_pause(int result) {
  platform::sleep_ms(kStepPause);
  return result;
}

// Cold reset and a pause: the reset's code; `t0` tells whether the card runs T=0.
int reset_card(void* port, bool& t0) {
  unsigned char protocol = 0, atr_length = 0;
  unsigned char atr[kMaxAtr];
  const int result = with_pause(Tarn_CpuCardColdReset(port, &protocol, atr, &atr_length));
  t0 = result == TARN_OK && protocol == '0';
  return result;
}

int read_card_id_steps(void* port, unsigned char* card_id) {
  bool t0 = false;
  if (const int result = reset_card(port, t0); result != TARN_OK || !t0) return result;
  if (const int result = with_pause(Tarn_SelectSocialSecurityApp(port))) return result;
  if (const int result = with_pause(select(port, kSelectCardFile, true))) return result;
  return Tarn_ReadSocialSecurityCardID(port, card_id);
}

}  // namespace
}  // namespace tarn

using namespace tarn;

extern "C" TARN_API int Tarn_SelectSocialSecurityApp(TARN_HANDLE port) {
  return select(port, kSelectSocialSecurityApp, false);
}

extern "C" TARN_API int Tarn_SelectSocialSecurityBasicFile(TARN_HANDLE port) {
  return select(port, kSelectBasicFile, true);
}

extern "C" TARN_API int Tarn_ReadSocialSecurityCardID(TARN_HANDLE port, unsigned char* value) {
  return read_field(port, kCardNumber, value);
}
extern "C" TARN_API int Tarn_ReadSocialSecurityIDNum(TARN_HANDLE port, unsigned char* value) {
  return read_field(port, kIdNumber, value);
}
extern "C" TARN_API int Tarn_ReadSocialSecurityName(TARN_HANDLE port, unsigned char* value) {
  return read_field(port, kName, value);
}
extern "C" TARN_API int Tarn_ReadSocialSecurityGender(TARN_HANDLE port, unsigned char* value) {
  return read_field(port, kGender, value);
}
extern "C" TARN_API int Tarn_ReadSocialSecurityNation(TARN_HANDLE port, unsigned char* value) {
  return read_field(port, kNation, value);
}
extern "C" TARN_API int Tarn_ReadSocialSecurityRegional(TARN_HANDLE port, unsigned char* value) {
  return read_field(port, kRegional, value);
}
extern "C" TARN_API int Tarn_ReadSocialSecurityBirthDay(TARN_HANDLE port, unsigned char* value) {
  return read_field(port, kBirthDay, value);
}

extern "C" TARN_API int Tarn_ReadSocialSecurityInfo(TARN_HANDLE port, unsigned char* id_number,
                                                    unsigned char* name, unsigned char* gender,
                                                    unsigned char* nation, unsigned char* regional,
                                                    unsigned char* birth_date) {
  CardResponse response(kInfoResponse);
  if (const int result = response.transmit(port, CardChannel::ContactT0, kReadAllRecords))
    return result;
  if (!response.ends_with_success()) return 1;
  unsigned char* const outs[6] = {id_number, name, gender, nation, regional, birth_date};
  take_info_fields(response, outs);
  return TARN_OK;
}

extern "C" TARN_API int Tarn_AutoReadSocialSecurityInfo(TARN_HANDLE port, unsigned char* id_number,
                                                        unsigned char* name, unsigned char* gender,
                                                        unsigned char* nation,
                                                        unsigned char* regional,
                                                        unsigned char* birth_date) {
  bool t0 = false;
  if (const int result = reset_card(port, t0); result != TARN_OK || !t0) return result;
  if (const int result = with_pause(Tarn_SelectSocialSecurityApp(port))) return result;
  if (const int result = with_pause(Tarn_SelectSocialSecurityBasicFile(port))) return result;
  return Tarn_ReadSocialSecurityInfo(port, id_number, name, gender, nation, regional, birth_date);
}

extern "C" TARN_API int Tarn_AutoReadSocialSecurityCardID(TARN_HANDLE port,
                                                          unsigned char* card_id) {
  const int result = read_card_id_steps(port, card_id);
  Tarn_CpuCardPowerOff(port);
  return result;
}

extern "C" TARN_API int Tarn_AutoReadSocialSecurityInfoAndCardID(
    TARN_HANDLE port, unsigned char* id_number, unsigned char* name, unsigned char* gender,
    unsigned char* nation, unsigned char* regional, unsigned char* birth_date,
    unsigned char* card_id) {
  if (const int result = Tarn_AutoReadSocialSecurityInfo(port, id_number, name, gender, nation,
                                                         regional, birth_date))
    return result;
  platform::sleep_ms(kFlowPause);
  return Tarn_AutoReadSocialSecurityCardID(port, card_id);
}

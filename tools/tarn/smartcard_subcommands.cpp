// Sub-commands for chip cards: resets and raw APDUs on the contact channel, the SAM sockets and
// the contactless field; the EMV steps and card number; identity number; social-security cards.
//
// With --sim the customer's card is put where a command needs it (contacts or antenna), and a
// card file holding a SAM goes into the socket that the command names.
#include <iconv.h>
#include <langinfo.h>

#include <array>
#include <clocale>
#include <cstdio>
#include <string>

#include "Tarn_DLL.h"
#include "cli.h"

namespace tarn_tool {
namespace {

using Buffer = std::array<unsigned char, 800>;

void need(Args args, std::size_t min, std::size_t max) {
  if (args.size() < min || args.size() > max) throw UsageError{"wrong number of arguments"};
}

std::span<const unsigned char> first(const Buffer& b, int n) {
  return std::span(b).first(static_cast<std::size_t>(std::max(n, 0)));
}

// A chip channel: "contact", "sam0" to "sam7", "typea" or "typeb".
struct Channel {
  enum Kind { Contact, Sam, TypeA, TypeB } kind;
  int socket = 0;
};

Channel channel_arg(const std::string& text) {
  if (text == "contact") return {Channel::Contact};
  if (text == "typea") return {Channel::TypeA};
  if (text == "typeb") return {Channel::TypeB};
  if (text.size() == 4 && text.starts_with("sam") && text[3] >= '0' && text[3] <= '7')
    return {Channel::Sam, text[3] - '0'};
  throw UsageError{"channel is contact, sam0..sam7, typea or typeb: '" + text + "'"};
}

// With the virtual reader: the card goes to the contacts or the antenna, a SAM into its socket.
void bring_card(Session& s, const Channel& channel) {
  if (!s.sim) return;
  if (channel.kind == Channel::Sam) {
    if (s.card.sam)
      s.sim->update_state(
          [&](readersim::ReaderState& st) { st.chips.sams[channel.socket] = s.card; });
    return;
  }
  s.sim->place_card(s.card, channel.kind == Channel::Contact ? readersim::Position::IcContacts
                                                             : readersim::Position::RfField);
}

// Powers the chip: cold reset or power on. Returns the protocol character ("0"/"1"; "C" for a
// contactless chip) or 0 after reporting a failure.
char power_on(Session& s, const Channel& channel) {
  unsigned char protocol = 'C';
  Buffer answer{};
  int length = 0;
  int r = TARN_OK;
  switch (channel.kind) {
    case Channel::Contact: {
      unsigned char n = 0;
      r = Tarn_CpuCardColdReset(s.port, &protocol, answer.data(), &n);
      length = n;
      break;
    }
    case Channel::Sam:
      if ((r = Tarn_SimSelect(s.port, channel.socket)) == TARN_OK)
        r = Tarn_SimColdReset(s.port, &protocol, answer.data(), &length);
      break;
    case Channel::TypeA:
      r = Tarn_CPUTypeACardPowerOn(s.port, answer.data());
      break;
    case Channel::TypeB:
      r = Tarn_CPUTypeBCardPowerOn(s.port, answer.data());
      break;
  }
  if (r != TARN_OK) {
    report("power on", r);
    return 0;
  }
  if (protocol == 'C')
    std::printf("powered on\n");
  else
    std::printf("protocol T=%c, ATR (%d bytes): %s\n", protocol, length,
                hex(first(answer, length)).c_str());
  return static_cast<char>(protocol);
}

int send_apdu(Session& s, const Channel& channel, char protocol,
              const std::vector<std::uint8_t>& apdu, Buffer& response, int& length) {
  const int n = static_cast<int>(apdu.size());
  const bool t1 = protocol == '1';
  unsigned char leading = 0;
  switch (channel.kind) {
    case Channel::Contact:
      return t1 ? Tarn_CPUT1APDU(s.port, n, apdu.data(), response.data(), &length)
                : Tarn_CPUT0APDU(s.port, n, apdu.data(), response.data(), &length);
    case Channel::Sam:
      return t1 ? Tarn_SimT1APDU(s.port, n, apdu.data(), response.data(), &length)
                : Tarn_SimT0APDU(s.port, n, apdu.data(), response.data(), &length);
    default:
      return Tarn_CPUTypeBAPDU(s.port, 0, n, apdu.data(), &leading, response.data(), &length);
  }
}

// A warm reset of a powered contact or SAM chip with the parameter character "0".."2".
int warm_reset(Session& s, const Channel& channel, std::uint8_t parameter) {
  unsigned char protocol = 0, n = 0;
  Buffer atr{};
  int length = 0;
  const int r = channel.kind == Channel::Contact
                    ? Tarn_CpuCardWarmReset(s.port, parameter, &protocol, atr.data(), &n)
                    : Tarn_SimWarmReset(s.port, parameter, &protocol, atr.data(), &length);
  if (r != TARN_OK) return report("warm reset", r);
  if (channel.kind == Channel::Contact) length = n;
  std::printf("warm reset: protocol T=%c, ATR (%d bytes): %s\n", protocol, length,
              hex(first(atr, length)).c_str());
  return 0;
}

int chip_reset(Session& s, Args args) {
  need(args, 1, 3);
  const Channel channel = channel_arg(args[0]);
  const bool warm = args.size() > 1;
  if (warm && (args.size() != 3 || args[1] != "warm" || channel.kind == Channel::TypeA ||
               channel.kind == Channel::TypeB))
    throw UsageError{"expected: chip-reset contact|samN [warm PARAMETER]"};
  bring_card(s, channel);
  if (!power_on(s, channel)) return 1;
  return warm ? warm_reset(s, channel, byte_arg(args[2])) : 0;
}

int apdu(Session& s, Args args) {
  need(args, 2, 64);
  const Channel channel = channel_arg(args[0]);
  std::vector<std::vector<std::uint8_t>> apdus;
  for (const auto& text : args.subspan(1)) apdus.push_back(hex_arg(text));
  bring_card(s, channel);
  const char protocol = power_on(s, channel);
  if (!protocol) return 1;
  for (const auto& command : apdus) {
    Buffer response{};
    int length = 0;
    std::printf("> %s\n", hex(command).c_str());
    if (const int r = send_apdu(s, channel, protocol, command, response, length))
      return report("apdu", r);
    std::printf("< %s\n", hex(first(response, length)).c_str());
  }
  return 0;
}

int chip_off(Session& s, Args args) {
  need(args, 1, 1);
  const Channel channel = channel_arg(args[0]);
  if (channel.kind == Channel::Contact) return report("power off", Tarn_CpuCardPowerOff(s.port));
  if (channel.kind != Channel::Sam) throw UsageError{"only contact and sam chips power off"};
  if (const int r = Tarn_SimSelect(s.port, channel.socket)) return report("socket", r);
  return report("power off", Tarn_SimCardPowerOff(s.port));
}

// Packed BCD digits of a card number.
std::string bcd_digits(std::span<const unsigned char> bytes, int count) {
  std::string digits;
  for (int i = 0; i < count; ++i) {
    const unsigned char b = bytes[static_cast<std::size_t>(i / 2)];
    digits += "0123456789ABCDEF"[i % 2 ? b & 0x0F : b >> 4];
  }
  return digits;
}

struct EmvStep {
  const char* name;
  int (*contact)(TARN_HANDLE);
  int (*contactless)(TARN_HANDLE);
};

constexpr EmvStep kEmvSteps[] = {
    {"select payment system environment", Tarn_SelectPSE, Tarn_CPUTypeASelectPSE},
    {"read its directory record", Tarn_ReadPSEDirFile, Tarn_CPUTypeAReadPSEDirFile},
    {"select the debit application", Tarn_SelectADFFile, Tarn_CPUTypeASelectADFFile},
    {"get processing options", Tarn_GPOCMD, Tarn_CPUTypeAGPOCMD},
};

int card_number(Session& s, Args args) {
  need(args, 0, 1);
  if (!args.empty() && args[0] != "--rf") throw UsageError{"expected: card-number [--rf]"};
  const bool rf = !args.empty();
  const Channel channel{rf ? Channel::TypeA : Channel::Contact};
  bring_card(s, channel);
  if (!power_on(s, channel)) return 1;
  for (const EmvStep& step : kEmvSteps) {
    const int r = rf ? step.contactless(s.port) : step.contact(s.port);
    std::printf("%s: %s\n", step.name, r == 0 ? "90 00" : r == 1 ? "refused" : result_text(r));
    if (r != TARN_OK) return report(step.name, r);
  }
  Buffer number{};
  int count = 0;
  const int r = rf ? Tarn_CPUTypeAReadRecordFile(s.port, &count, number.data())
                   : Tarn_ReadRecordFile(s.port, &count, number.data());
  if (r != TARN_OK) return report("read record", r);
  std::printf("card number (%d digits): %s\n", count, bcd_digits(number, count).c_str());
  return 0;
}

int id_number(Session& s, Args args) {
  need(args, 0, 0);
  char text[11] = {};
  if (const int r = Tarn_GetIdCardNo(s.port, text)) return report("id-number", r);
  std::printf("identity card number: %s\n", text);
  return 0;
}

}  // namespace

std::string from_gbk(std::span<const unsigned char> bytes) {
  while (!bytes.empty() && (bytes.back() == ' ' || bytes.back() == 0))
    bytes = bytes.first(bytes.size() - 1);
  std::setlocale(LC_CTYPE, "");
  std::string target = nl_langinfo(CODESET);
  if (target == "ANSI_X3.4-1968") target = "UTF-8";
  const iconv_t cd = iconv_open(target.c_str(), "GBK");
  if (cd == reinterpret_cast<iconv_t>(-1)) return hex(bytes);
  std::string in(bytes.begin(), bytes.end()), out(bytes.size() * 4, '\0');
  char* src = in.data();
  char* dst = out.data();
  std::size_t left = in.size(), room = out.size();
  const bool ok = iconv(cd, &src, &left, &dst, &room) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  if (!ok) return hex(bytes);
  out.resize(out.size() - room);
  return out;
}

namespace {

std::string text_of(std::span<const unsigned char> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

int ss_read(Session& s, Args args) {
  need(args, 0, 0);
  bring_card(s, {Channel::Contact});
  Buffer id{}, name{}, card_id{};
  unsigned char gender = 0, nation = 0;
  std::array<unsigned char, 3> regional{};
  std::array<unsigned char, 4> birth{};
  if (const int r =
          Tarn_AutoReadSocialSecurityInfoAndCardID(s.port, id.data(), name.data(), &gender, &nation,
                                                   regional.data(), birth.data(), card_id.data()))
    return report("social-security read", r);
  std::printf("card number:     %s\n", text_of(first(card_id, 9)).c_str());
  std::printf("identity number: %s\n", text_of(first(id, 18)).c_str());
  std::printf("name:            %s\n", from_gbk(first(name, 30)).c_str());
  std::printf("gender:          %s\n", describe_byte(gender).c_str());
  std::printf("nation:          %02X\n", nation);
  std::printf("regional code:   %s\n", hex(regional).c_str());
  std::printf("birth date:      %02X%02X-%02X-%02X\n", birth[0], birth[1], birth[2], birth[3]);
  return 0;
}

struct SsField {
  const char* name;
  int (*read)(TARN_HANDLE, unsigned char*);
  int size;
  bool gbk;
};

constexpr SsField kSsFields[] = {
    {"id-number", Tarn_ReadSocialSecurityIDNum, 18, false},
    {"name", Tarn_ReadSocialSecurityName, 30, true},
    {"gender", Tarn_ReadSocialSecurityGender, 1, false},
    {"nation", Tarn_ReadSocialSecurityNation, 1, false},
    {"regional", Tarn_ReadSocialSecurityRegional, 3, false},
    {"birthday", Tarn_ReadSocialSecurityBirthDay, 4, false},
};

// One EF06 field step by step: reset, application, file, field.
int ss_field(Session& s, Args args) {
  need(args, 1, 1);
  const SsField* field = nullptr;
  for (const auto& f : kSsFields)
    if (args[0] == f.name) field = &f;
  if (!field) throw UsageError{"field is id-number, name, gender, nation, regional or birthday"};
  bring_card(s, {Channel::Contact});
  if (!power_on(s, {Channel::Contact})) return 1;
  if (const int r = Tarn_SelectSocialSecurityApp(s.port)) return report("select application", r);
  if (const int r = Tarn_SelectSocialSecurityBasicFile(s.port)) return report("select EF06", r);
  Buffer value{};
  if (const int r = field->read(s.port, value.data())) return report(field->name, r);
  const auto bytes = first(value, field->size);
  std::printf("%s: %s  [%s]\n", field->name,
              field->gbk ? from_gbk(bytes).c_str() : text_of(bytes).c_str(), hex(bytes).c_str());
  return 0;
}

int info_pop(Session& s, Args args) {
  need(args, 0, 0);
  bring_card(s, {Channel::Contact});
  Buffer info{};
  int length = 0;
  if (const int r = Tarn_ReadInfoPOP(s.port, info.data(), &length)) return report("info", r);
  std::printf("%d bytes: %s\n", length, hex(first(info, length)).c_str());
  return 0;
}

const SubCommand kCommands[] = {
    {"chip-reset", "CHANNEL [warm P]",
     "reset a chip and show its ATR (contact, sam0..7, typea, typeb); then a warm reset",
     chip_reset},
    {"apdu", "CHANNEL HEX...", "power a chip on and send APDUs in hex", apdu},
    {"chip-off", "contact|samN", "power a contact or SAM chip off", chip_off},
    {"card-number", "[--rf]", "EMV steps on a PBOC card and its number", card_number},
    {"id-number", "", "identity card number (ten digits)", id_number},
    {"ss-read", "", "social-security card: all fields and the card number", ss_read},
    {"ss-field", "FIELD", "one social-security field, step by step", ss_field},
    {"info-pop", "", "card number, identity number and name joined by &, card out", info_pop},
};

}  // namespace

std::span<const SubCommand> smartcard_subcommands() {
  return kCommands;
}

}  // namespace tarn_tool

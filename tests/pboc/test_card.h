// An in-memory chip card behind the kernel's four callbacks: it answers APDUs from rules (command
// prefix -> replies) or from a handler, and records every command, power event and trace line.
// Uses only the public interface of the kernel, so any test or fuzz target can drive it.
#pragma once

#include <Ferro.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hex_bytes.h"

namespace ferro_test {

using Bytes = std::vector<std::uint8_t>;

using test_support::hex;

inline std::string to_hex(const std::uint8_t* bytes, std::size_t count) {
  std::string text;
  char digits[3];
  for (std::size_t i = 0; i < count; ++i) {
    std::snprintf(digits, sizeof digits, "%02X", bytes[i]);
    text += digits;
  }
  return text;
}

inline std::string to_hex(const Bytes& bytes) {
  return to_hex(bytes.data(), bytes.size());
}

inline Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

inline Bytes text_bytes(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

struct Answer {
  Answer(Bytes reply = {}, int result = 0, std::optional<int> reported_length = std::nullopt)
      : reply(std::move(reply)), result(result), reported_length(reported_length) {}

  Bytes reply;                         // response data and SW1 SW2
  int result;                          // what the callback returns
  std::optional<int> reported_length;  // a length other than reply.size(), as a faulty reader
};

struct TraceLine {
  std::string func;
  int level;
  std::string text;
};

class TestCard {
 public:
  static constexpr std::size_t kReceiveBuffer = 1024;  // what the kernel supplies for a reply

  TestCard() = default;
  TestCard(const TestCard&) = delete;
  TestCard& operator=(const TestCard&) = delete;
  ~TestCard() {
    if (active_ == this) active_ = nullptr;
  }

  // Commands that start with prefix get these answers in turn, the last one repeated; with a
  // DF name, only while that DF is selected (the last SELECT by name answered 90 00). Later
  // rules take precedence over earlier ones; a command no rule matches is answered 6D 00.
  void on(const Bytes& prefix, std::vector<Answer> answers, const Bytes& in_df = {}) {
    rules_.insert(rules_.begin(), Rule{prefix, in_df, std::move(answers), 0});
  }
  void on(const Bytes& prefix, const Bytes& reply, const Bytes& in_df = {}) {
    on(prefix, {Answer{reply}}, in_df);
  }

  // Asked before the rules; nullopt leaves the command to them.
  std::function<std::optional<Answer>(const Bytes& command)> handler;

  Bytes atr = hex("3B 02 14 50");
  int poweron_result = 0;
  int poweroff_result = 0;

  std::vector<Bytes> commands;      // every APDU, in order
  std::vector<std::string> events;  // "poweron", "apdu" and "poweroff", in order
  std::vector<TraceLine> trace;

  // The card's answer to a command: the handler's, else the rules'. Tracks the selected DF.
  Answer respond(const Bytes& command) {
    std::optional<Answer> answer;
    if (handler) answer = handler(command);
    if (!answer) answer = this->answer(command);
    track_selection(command, *answer);
    return *answer;
  }

  // Serves the static callbacks below from now on.
  void activate() { active_ = this; }

  // Registers all four, in the card-reader bridge's order: writelog, poweron, poweroff, apdu.
  void install() {
    activate();
    pboc_setcallback("pboc_writelog", reinterpret_cast<void*>(&TestCard::writelog));
    pboc_setcallback("pboc_poweron", reinterpret_cast<void*>(&TestCard::poweron));
    pboc_setcallback("pboc_poweroff", reinterpret_cast<void*>(&TestCard::poweroff));
    pboc_setcallback("pboc_apdu", reinterpret_cast<void*>(&TestCard::apdu));
  }

  // Commands whose bytes start with prefix.
  std::vector<Bytes> sent(const Bytes& prefix) const {
    std::vector<Bytes> matching;
    for (const Bytes& command : commands) {
      if (starts_with(command, prefix)) matching.push_back(command);
    }
    return matching;
  }

  static int apdu(int /*reserved*/, int send_len, const unsigned char* send, unsigned char* aux,
                  unsigned char* recv, int* recv_len) {
    const Bytes command(send, send + send_len);
    active_->commands.push_back(command);
    active_->events.push_back("apdu");
    aux[0] = 0x55;  // a reader may store its status byte here
    const Answer answer = active_->respond(command);
    const std::size_t count = std::min(answer.reply.size(), kReceiveBuffer);
    std::copy_n(answer.reply.begin(), count, recv);
    *recv_len = answer.reported_length.value_or(static_cast<int>(count));
    return answer.result;
  }
  static int poweron(unsigned char* atr, int* atr_len) {
    active_->events.push_back("poweron");
    std::copy(active_->atr.begin(), active_->atr.end(), atr);
    *atr_len = static_cast<int>(active_->atr.size());
    return active_->poweron_result;
  }
  static int poweroff() {
    active_->events.push_back("poweroff");
    return active_->poweroff_result;
  }
  static int writelog(const char* func_name, int level, const char* text) {
    active_->trace.push_back(TraceLine{func_name, level, text});
    return 0;
  }

 private:
  struct Rule {
    Bytes prefix;
    Bytes df;
    std::vector<Answer> answers;
    std::size_t next;
  };

  static bool starts_with(const Bytes& bytes, const Bytes& prefix) {
    return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
  }

  Answer answer(const Bytes& command) {
    for (Rule& rule : rules_) {
      if (!starts_with(command, rule.prefix) || rule.answers.empty()) continue;
      if (!rule.df.empty() && rule.df != selected_) continue;
      const Answer& answer = rule.answers[std::min(rule.next, rule.answers.size() - 1)];
      ++rule.next;
      return answer;
    }
    return Answer{hex("6D 00")};
  }

  void track_selection(const Bytes& command, const Answer& answer) {
    // Selected once the card accepted the SELECT: 90 00, or 61 xx with the rest to fetch.
    const Bytes& reply = answer.reply;
    if (answer.result != 0 || !starts_with(command, {0x00, 0xA4, 0x04, 0x00}) || reply.size() < 2) {
      return;
    }
    const std::uint8_t sw1 = reply[reply.size() - 2];
    if (!(sw1 == 0x61 || (sw1 == 0x90 && reply.back() == 0x00))) return;
    selected_.assign(command.begin() + std::min<std::size_t>(5, command.size()), command.end());
  }

  std::vector<Rule> rules_;
  Bytes selected_;
  static inline TestCard* active_ = nullptr;
};

// A PBOC debit card: directory in SFI 1, application A0 00 00 03 33 01 01 01 with the usual
// PDOL, AFL 08 01 02 00 10 01 01 00 (track 2 data in SFI 1 record 1, PAN sequence number in
// record 2, CDOL1/CDOL2 of 27 bytes each in SFI 2 record 1), GET DATA for 9F36 and 9F79, and
// GENERATE AC, EXTERNAL AUTHENTICATE and script commands answered 90 00. No transaction log.
namespace pboc_card {

inline const Bytes kAid = hex("A0 00 00 03 33 01 01 01");
inline const Bytes kPdol = hex("9F66 04 9F02 06 9F03 06 9F1A 02 95 05 5F2A 02 9A 03 9C 01 9F37 04");
inline const Bytes kCdol1 =
    hex("9F02 06 9F03 06 9F1A 02 95 05 5F2A 02 9A 03 9C 01 9F37 04 9F21 03 9F4E 14");  // 52 bytes
inline const Bytes kTrack2 = hex("62 22 02 00 00 00 00 01 D2 51 22 01 00 00 00 00 00 00 0F");
inline const Bytes kCryptogram = hex("11 22 33 44 55 66 77 88");
inline const Bytes kIad = hex("07 01 01 03 A0 00 00 01 0A 01 00 00 00 00 00 12 34 56 78");
inline const Bytes kAtc = hex("00 2A");

inline Bytes ok(const Bytes& data) {
  return cat({data, hex("90 00")});
}

inline Bytes tlv(const Bytes& tag, const Bytes& value) {
  return cat({tag, Bytes{static_cast<std::uint8_t>(value.size())}, value});
}

inline Bytes select_command(const Bytes& name) {
  return cat({hex("00 A4 04 00"), Bytes{static_cast<std::uint8_t>(name.size())}, name});
}

// A format-1 GENERATE AC reply: 80 L CID ATC cryptogram IAD, 90 00.
inline Bytes gac_reply(std::uint8_t cid, const Bytes& iad) {
  return ok(tlv(hex("80"), cat({Bytes{cid}, kAtc, kCryptogram, iad})));
}

// READ RECORD of record r in SFI sfi.
inline Bytes read_record(int sfi, int r) {
  return Bytes{0x00, 0xB2, static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(sfi * 8 + 4),
               0x00};
}

inline const Bytes kRecord1 =
    ok(tlv(hex("70"), cat({tlv(hex("57"), kTrack2), tlv(hex("5F20"), text_bytes("ZHANG/SAN"))})));
inline const Bytes kRecord2 =
    ok(tlv(hex("70"), cat({tlv(hex("5F34"), hex("01")), tlv(hex("9F08"), hex("00 30"))})));

inline Bytes cdol_record(const Bytes& cdol1, const Bytes& cdol2) {
  return ok(tlv(hex("70"), cat({tlv(hex("8C"), cdol1), tlv(hex("8D"), cdol2)})));
}

inline void load(TestCard& card) {
  const Bytes pse = text_bytes("1PAY.SYS.DDF01");
  card.on(
      select_command(pse),
      ok(tlv(hex("6F"), cat({tlv(hex("84"), pse), tlv(hex("A5"), tlv(hex("88"), hex("01")))}))));
  card.on(read_record(1, 1),
          ok(tlv(hex("70"), tlv(hex("61"), cat({tlv(hex("4F"), kAid),
                                                tlv(hex("50"), text_bytes("PBOC DEBIT"))})))),
          pse);
  card.on(select_command(kAid),
          ok(tlv(hex("6F"), cat({tlv(hex("84"), kAid), tlv(hex("A5"), tlv(hex("9F38"), kPdol))}))));
  card.on(hex("80 A8"), ok(tlv(hex("80"), hex("7C 00 08 01 02 00 10 01 01 00"))));
  card.on(read_record(1, 1), kRecord1, kAid);
  card.on(read_record(1, 2), kRecord2, kAid);
  card.on(read_record(2, 1), cdol_record(kCdol1, kCdol1), kAid);
  card.on(hex("80 CA 9F 36"), ok(tlv(hex("9F36"), kAtc)));
  card.on(hex("80 CA 9F 79"), ok(tlv(hex("9F79"), hex("00 00 00 01 00 00"))));
  card.on(hex("80 AE 80"), gac_reply(0x80, kIad));
  card.on(hex("80 AE 40"), gac_reply(0x40, kIad));
  card.on(hex("00 82"), hex("90 00"));
  card.on(hex("84 DA"), hex("90 00"));
}

}  // namespace pboc_card

}  // namespace ferro_test

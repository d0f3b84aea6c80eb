// The input of the kernel fuzz target: the operations to run, the transaction, and the card's
// answers behind the callbacks. Shared by the fuzz target and the seed writer.
//
//   1 byte   the operation (modulo 7); 1 byte: a second operation run after it (7 = none)
//   1 byte   transaction type; 6 bytes amount; 2 bytes n and n characters of issuer data
//   answer   to every power-on (the ATR), then one answer per APDU, each:
//              flags  kCardAnswers   the PBOC test card answers (the answer ends here)
//                     kResult        1 byte follows: the callback's result (signed)
//                     kReportedLength  2 bytes follow: the length the callback reports (signed)
//              2 bytes n, then n reply bytes (at most 1024; an ATR at most 500)
//            once the input is used up, the test card answers.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "byte_reader.h"
#include "export_call.h"
#include "test_card.h"

namespace fuzz::kernel {

inline constexpr std::uint8_t kCardAnswers = 0x01;
inline constexpr std::uint8_t kResult = 0x02;
inline constexpr std::uint8_t kReportedLength = 0x04;
inline constexpr std::size_t kMaxReply = ferro_test::TestCard::kReceiveBuffer;
inline constexpr std::size_t kMaxAtr = 500;

struct Transaction {
  int type = 0;
  std::array<std::uint8_t, 6> amount{};
  std::string issuer_data;
};

struct Operation {
  const char* name;
  int (*run)(ExportCall& c, const Transaction& t);
};

// The seven kernel operations; outputs are sized by what Ferro.h documents as their largest.
std::span<const Operation> operations();

// The next answer of the script; nullopt where the test card answers.
std::optional<ferro_test::Answer> next_answer(ByteReader& script, std::size_t largest);

}  // namespace fuzz::kernel

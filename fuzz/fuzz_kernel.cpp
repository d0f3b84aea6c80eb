// Fuzz target: the PBOC kernel's seven operations fed arbitrary card replies through its
// callbacks. Behind the callbacks sits the in-memory PBOC test card of the kernel tests; the
// fuzz input decides, reply by reply, whether the card answers as it would or with other bytes.
//
// Input:
//   1 byte   the operation (modulo 7); 1 byte: a second operation run after it (8 = none)
//   1 byte   transaction type; 6 bytes amount; 2 bytes n and n characters of issuer data
//   answer   to every power-on, then one answer per APDU, each:
//              flags  bit 0  the test card answers (the answer ends here)
//                     bit 1  1 byte follows: the callback's result (signed)
//                     bit 2  2 bytes follow: the length the callback reports (signed)
//              2 bytes n, then n reply bytes (at most 1024; an ATR at most 500)
//            once the input is used up, the test card answers.
// Aborts when an operation writes past its documented largest output, returns an undocumented
// result, or traces a line of 1024 characters or more; the sanitizers catch the rest.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Ferro.h"
#include "byte_reader.h"
#include "context.h"
#include "environment.h"
#include "export_call.h"
#include "test_card.h"

namespace {

using ferro_test::Answer;
using ferro_test::Bytes;
using ferro_test::TestCard;

constexpr std::size_t kMaxReply = TestCard::kReceiveBuffer;
constexpr std::size_t kMaxAtr = 500;
constexpr std::size_t kMaxTraceText = 1023;

struct Transaction {
  int type = 0;
  std::array<std::uint8_t, 6> amount{};
  std::string issuer_data;
};

struct Operation {
  const char* name;
  int (*run)(fuzz::ExportCall& c, const Transaction& t);
};

// Outputs are sized by what Ferro.h documents as each operation's largest.
constexpr Operation kOperations[] = {
    {"pboc_readiccardNum",
     [](fuzz::ExportCall& c, const Transaction&) {
       return pboc_readiccardNum(c.out_int(), c.out(36));
     }},
    {"pboc_get55data",
     [](fuzz::ExportCall& c, const Transaction& t) {
       return pboc_get55data(t.type, t.amount.data(), c.out(1), c.out(36), c.out_int(), c.out(178),
                             c.out_int());
     }},
    {"pboc_genarqc",
     [](fuzz::ExportCall& c, const Transaction& t) {
       return pboc_genarqc(t.amount.data(), t.type, c.out(178), c.out_int());
     }},
    {"pboc_gettraderecord",
     [](fuzz::ExportCall& c, const Transaction&) { return pboc_gettraderecord(c.text(10598)); }},
    {"pboc_electronicbalance",
     [](fuzz::ExportCall& c, const Transaction&) { return pboc_electronicbalance(c.out(6)); }},
    {"pboc_geticinformation",
     [](fuzz::ExportCall& c, const Transaction&) {
       return pboc_geticinformation(c.out(2040), c.out_int());
     }},
    {"pboc_arqcexeicscript",
     [](fuzz::ExportCall& c, const Transaction& t) {
       return pboc_arqcexeicscript(t.issuer_data.c_str(), c.out(99));
     }},
};
constexpr std::size_t kOperationCount = std::size(kOperations);

// The next answer of the script, or nullopt where the test card answers.
std::optional<Answer> scripted_answer(fuzz::ByteReader& script, std::size_t largest) {
  if (script.empty()) return std::nullopt;
  const std::uint8_t flags = script.byte();
  if (flags & 0x01) return std::nullopt;
  Answer answer;
  if (flags & 0x02) answer.result = static_cast<std::int8_t>(script.byte());
  if (flags & 0x04) answer.reported_length = static_cast<std::int16_t>(script.number(2));
  const auto reply = script.take(std::min<std::size_t>(script.number(2), largest));
  answer.reply.assign(reply.begin(), reply.end());
  return answer;
}

void script_power_on(fuzz::ByteReader& script, TestCard& card) {
  if (const auto answer = scripted_answer(script, kMaxAtr)) {
    card.atr = answer->reply;
    card.poweron_result = answer->result;
  }
}

bool documented(int result) {
  return result >= FERRO_BAD_ARGUMENT && result <= 255;
}

[[noreturn]] void fail(const char* operation, const std::string& what) {
  std::fprintf(stderr, "%s: %s\n", operation, what.c_str());
  std::abort();
}

void run(const Operation& operation, const Transaction& transaction, const TestCard& card) {
  fuzz::ExportCall call(nullptr, {});
  const int result = operation.run(call, transaction);
  if (const std::string damage = call.damaged_canary(); !damage.empty()) {
    fail(operation.name, damage);
  }
  if (!documented(result)) fail(operation.name, "undocumented result " + std::to_string(result));
  for (const ferro_test::TraceLine& line : card.trace) {
    if (line.text.size() > kMaxTraceText) fail(operation.name, "trace line too long");
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ferro::set_environment({[] { return ferro::LocalTime{2021, 3, 4, 10, 5, 3}; },
                          [] { return std::int64_t{1614852303}; }, [](int) {}});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::ByteReader input({data, size});
  const std::size_t first = input.byte() % kOperationCount;
  const std::size_t second = input.byte() % (kOperationCount + 1);
  Transaction transaction;
  transaction.type = input.byte();
  const auto amount = input.take(transaction.amount.size());
  std::copy(amount.begin(), amount.end(), transaction.amount.begin());
  const auto issuer_data = input.take(input.number(2));
  transaction.issuer_data.assign(issuer_data.begin(), issuer_data.end());

  ferro::pboc_context = {};
  TestCard card;
  ferro_test::pboc_card::load(card);
  script_power_on(input, card);
  card.handler = [&input](const Bytes&) { return scripted_answer(input, kMaxReply); };
  card.install();
  run(kOperations[first], transaction, card);
  if (second < kOperationCount) run(kOperations[second], transaction, card);
  return 0;
}

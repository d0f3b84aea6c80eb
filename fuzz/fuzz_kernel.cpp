// Fuzz target: the PBOC kernel's seven operations fed arbitrary card replies through its
// callbacks. Behind the callbacks sits the in-memory PBOC test card of the kernel tests; the
// fuzz input (kernel_script.h) decides, reply by reply, whether the card answers as it would or
// with other bytes. Aborts when an operation writes past its documented largest output, returns
// an undocumented result, or traces a line of 1024 characters or more; the sanitizers catch the
// rest.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Ferro.h"
#include "context.h"
#include "environment.h"
#include "kernel_script.h"

namespace {

using namespace fuzz::kernel;

constexpr std::size_t kMaxTraceText = 1023;

bool documented(int result) {
  return result >= FERRO_BAD_ARGUMENT && result <= 255;
}

[[noreturn]] void fail(const char* operation, const std::string& what) {
  std::fprintf(stderr, "%s: %s\n", operation, what.c_str());
  std::abort();
}

void run(const Operation& operation, const Transaction& transaction,
         const ferro_test::TestCard& card) {
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
  const auto all = operations();
  const std::size_t first = input.byte() % all.size();
  const std::size_t second = input.byte() % (all.size() + 1);
  Transaction transaction;
  transaction.type = input.byte();
  const auto amount = input.take(transaction.amount.size());
  std::copy(amount.begin(), amount.end(), transaction.amount.begin());
  const auto issuer_data = input.take(input.number(2));
  transaction.issuer_data.assign(issuer_data.begin(), issuer_data.end());

  ferro::pboc_context = {};
  ferro_test::TestCard card;
  ferro_test::pboc_card::load(card);
  if (const auto atr = next_answer(input, kMaxAtr)) {
    card.atr = atr->reply;
    card.poweron_result = atr->result;
  }
  card.handler = [&input](const ferro_test::Bytes&) { return next_answer(input, kMaxReply); };
  card.install();
  run(all[first], transaction, card);
  if (second < all.size()) run(all[second], transaction, card);
  return 0;
}

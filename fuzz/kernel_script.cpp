#include "kernel_script.h"

#include <algorithm>

#include "Ferro.h"

namespace fuzz::kernel {
namespace {

constexpr Operation kOperations[] = {
    {"pboc_readiccardNum",
     [](ExportCall& c, const Transaction&) { return pboc_readiccardNum(c.out_int(), c.out(36)); }},
    {"pboc_get55data",
     [](ExportCall& c, const Transaction& t) {
       return pboc_get55data(t.type, t.amount.data(), c.out(1), c.out(36), c.out_int(), c.out(178),
                             c.out_int());
     }},
    {"pboc_genarqc",
     [](ExportCall& c, const Transaction& t) {
       return pboc_genarqc(t.amount.data(), t.type, c.out(178), c.out_int());
     }},
    {"pboc_gettraderecord",
     [](ExportCall& c, const Transaction&) { return pboc_gettraderecord(c.text(10598)); }},
    {"pboc_electronicbalance",
     [](ExportCall& c, const Transaction&) { return pboc_electronicbalance(c.out(6)); }},
    {"pboc_geticinformation",
     [](ExportCall& c, const Transaction&) {
       return pboc_geticinformation(c.out(2040), c.out_int());
     }},
    {"pboc_arqcexeicscript",
     [](ExportCall& c, const Transaction& t) {
       return pboc_arqcexeicscript(t.issuer_data.c_str(), c.out(99));
     }},
};

}  // namespace

std::span<const Operation> operations() {
  return kOperations;
}

std::optional<ferro_test::Answer> next_answer(ByteReader& script, std::size_t largest) {
  if (script.empty()) return std::nullopt;
  const std::uint8_t flags = script.byte();
  if (flags & kCardAnswers) return std::nullopt;
  ferro_test::Answer answer;
  if (flags & kResult) answer.result = static_cast<std::int8_t>(script.byte());
  if (flags & kReportedLength) {
    answer.reported_length = static_cast<std::int16_t>(script.number(2));
  }
  const auto reply = script.take(std::min<std::size_t>(script.number(2), largest));
  answer.reply.assign(reply.begin(), reply.end());
  return answer;
}

}  // namespace fuzz::kernel

#include "readersim/fault.h"

#include <array>
#include <utility>

namespace readersim {
namespace {

constexpr std::array<std::pair<Fault, std::string_view>, 11> kNames = {{
    {Fault::Silence, "silence"},
    {Fault::Nak, "nak"},
    {Fault::Garbage, "garbage"},
    {Fault::AckThenSilence, "ack-silence"},
    {Fault::WrongBcc, "bad-bcc"},
    {Fault::WrongCmEcho, "bad-echo"},
    {Fault::MissingEtx, "no-etx"},
    {Fault::Truncated, "truncated"},
    {Fault::OversizedLength, "oversized"},
    {Fault::SlowReply, "slow"},
    {Fault::Disconnect, "disconnect"},
}};

}  // namespace

std::string_view fault_name(Fault fault) {
  for (const auto& [f, name] : kNames) {
    if (f == fault) return name;
  }
  return "?";
}

std::optional<Fault> fault_from_name(std::string_view name) {
  for (const auto& [f, n] : kNames) {
    if (n == name) return f;
  }
  return std::nullopt;
}

std::string fault_names() {
  std::string all;
  for (const auto& [f, name] : kNames) all += (all.empty() ? "" : " ") + std::string(name);
  return all;
}

}  // namespace readersim

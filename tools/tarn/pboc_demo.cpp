// The demo's online payment with the PBOC debit card: card number, field 55, the issuer's answer
// (the issuer side runs in this process with the card's test key), issuer authentication and
// balance script, the card's new balance and log, and the library's log file.
#include <array>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "Tarn_DLL.h"
#include "cli.h"
#include "issuer.h"
#include "path/drive_path.h"
#include "pboc_steps.h"

namespace tarn_tool {
namespace {

constexpr const char* kAmount = "12345";      // 123.45 in minor units
constexpr const char* kNewBalance = "50000";  // the issuer loads 500.00 of electronic cash
constexpr std::size_t kLogLinesShown = 12;

void print_log_file() {
  const auto path = tarn::platform::map_drive_path("D:\\Holm\\Vesk.log");
  std::ifstream file(path ? *path : "");
  if (!file) {
    std::printf("   no log file at %s\n", path ? path->c_str() : "(drive D not mapped)");
    return;
  }
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  const std::size_t first = lines.size() > kLogLinesShown ? lines.size() - kLogLinesShown : 0;
  std::printf("   log file %s: %zu lines, the last %zu:\n", path->c_str(), lines.size(),
              lines.size() - first);
  for (std::size_t i = first; i < lines.size(); ++i) std::printf("   | %s\n", lines[i].c_str());
}

bool show_card_number(Session& s) {
  std::array<unsigned char, 36> track2{};
  int length = 0;
  if (const int r = Tarn_ReadICCardNum(s.port, &length, track2.data()))
    return kernel_report("card number", r) == 0;
  std::printf("   card number (track 2 equivalent): %s\n",
              hex(std::span(track2).first(length)).c_str());
  return true;
}

}  // namespace

bool run_online_payment(Session& s) {
  std::printf("8. An online payment with the PBOC debit card at the IC contacts\n");
  if (!s.sim) {
    std::printf("   (needs the virtual reader's test card and its test key: skipped)\n");
    return true;
  }
  s.card = {};  // no chip: the shipped debit card is presented
  present_card(s, false);
  if (!show_card_number(s) || !show_balance(s)) return false;
  std::printf("   field 55 for %s (minor units), goods and services...\n", kAmount);
  const auto f = request_field55(s, amount_arg(kAmount), 0x00, false);
  if (!f) return false;
  std::printf("   field 55 (%d bytes): %s\n", f->length, hex(f->data()).c_str());
  IssuerDecision decision{true, amount_arg(kNewBalance)};
  const std::string answer = issuer_answer(card_key(s.card), f->data(), decision);
  std::printf("   [issuer] ARQC verified; approved, balance set to %s: %s\n", kNewBalance,
              answer.c_str());
  if (!complete_with_issuer(answer)) return false;
  std::printf("   issuer authenticated, transaction certificate received, script applied\n");
  if (!show_balance(s)) return false;
  std::printf("   the card's transaction log:\n");
  if (!show_trade_log(s)) return false;
  print_log_file();
  return true;
}

}  // namespace tarn_tool

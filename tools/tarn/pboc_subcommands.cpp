// Sub-commands for the PBOC kernel through the bridge: card number, field 55, transaction log,
// balance, IC information, the issuer's answer sent to the card, and the issuer side itself.
//
// With --sim the customer's card is put at the IC contacts (in the field for --contactless).
#include <array>
#include <cstdio>
#include <iostream>

#include "Ferro.h"
#include "Tarn_DLL.h"
#include "cli.h"
#include "issuer.h"
#include "pboc_steps.h"

namespace tarn_tool {
namespace {

// Arguments with the flags taken out; `flag` true when given.
std::vector<std::string> without_flag(Args args, const char* flag, bool& given) {
  std::vector<std::string> rest;
  given = false;
  for (const std::string& a : args) {
    if (a == flag)
      given = true;
    else
      rest.push_back(a);
  }
  return rest;
}

void need(const std::vector<std::string>& args, std::size_t min, std::size_t max) {
  if (args.size() < min || args.size() > max) throw UsageError{"wrong number of arguments"};
}

int card_number(Session& s, Args args) {
  bool contactless = false;
  need(without_flag(args, "--contactless", contactless), 0, 0);
  present_card(s, contactless);
  std::array<unsigned char, 36> track2{};
  int length = 0;
  const auto read = contactless ? Tarn_CPUTypeAReadICCardNum : Tarn_ReadICCardNum;
  if (const int r = read(s.port, &length, track2.data())) return kernel_report("card number", r);
  std::printf("track 2 equivalent data: %s\n", hex(std::span(track2).first(length)).c_str());
  return 0;
}

int field55(Session& s, Args args) {
  bool contactless = false;
  const auto rest = without_flag(args, "--contactless", contactless);
  need(rest, 1, 2);
  const int type = rest.size() > 1 ? byte_arg(rest[1]) : 0;
  present_card(s, contactless);
  const auto f = request_field55(s, amount_arg(rest[0]), type, contactless);
  if (!f) return 1;
  std::printf("PAN sequence %02X, track 2 %s\nfield 55 (%d bytes): %s\n", f->pan_sequence,
              hex(std::span(f->track2).first(f->track2_length)).c_str(), f->length,
              hex(f->data()).c_str());
  return 0;
}

int trade_log(Session& s, Args args) {
  need({args.begin(), args.end()}, 0, 0);
  present_card(s, false);
  return show_trade_log(s) ? 0 : 1;
}

int balance(Session& s, Args args) {
  need({args.begin(), args.end()}, 0, 0);
  present_card(s, false);
  return show_balance(s) ? 0 : 1;
}

// The card number's application start points the kernel at this port; then the kernel reads
// the IC information over it.
int ic_info(Session& s, Args args) {
  need({args.begin(), args.end()}, 0, 0);
  present_card(s, false);
  std::array<unsigned char, 36> track2{};
  int length = 0;
  if (const int r = Tarn_ReadICCardNum(s.port, &length, track2.data()))
    return kernel_report("card number", r);
  std::array<unsigned char, 2048> data{};
  int data_length = 0;
  if (const int r = pboc_geticinformation(data.data(), &data_length))
    return kernel_report("IC information", r);
  std::printf("IC information (%d bytes): %s\n", data_length,
              hex(std::span(data).first(data_length)).c_str());
  return 0;
}

// The issuer's answer has to answer this very ARQC, so the command runs the first GENERATE AC
// itself, prints field 55 and takes the answer from the argument or, without one, from a line
// of standard input.
int issuer_script(Session& s, Args args) {
  need({args.begin(), args.end()}, 1, 2);
  present_card(s, false);
  const auto f = request_field55(s, amount_arg(args[0]), 0, false);
  if (!f) return 1;
  std::printf("field 55: %s\n", hex(f->data()).c_str());
  std::string issuer_hex = args.size() > 1 ? args[1] : "";
  if (args.size() == 1) {
    std::printf("issuer data (hex)? ");
    std::fflush(stdout);
    std::getline(std::cin, issuer_hex);
  }
  return complete_with_issuer(issuer_hex) ? 0 : 1;
}

int issuer(Session&, Args args) {
  IssuerDecision decision;
  std::string card_file = (readersim::cards_dir() / "pboc_debit_card.json").string();
  std::vector<std::string> rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const auto value = [&] {
      if (i + 1 >= args.size()) throw UsageError{args[i] + " needs a value"};
      return args[++i];
    };
    if (args[i] == "--approve")
      decision.approve = true;
    else if (args[i] == "--decline")
      decision.approve = false;
    else if (args[i] == "--balance")
      decision.balance = amount_arg(value());
    else if (args[i] == "--card")
      card_file = value();
    else
      rest.push_back(args[i]);
  }
  need(rest, 1, 1);
  if (decision.balance && !decision.approve)
    throw UsageError{"--balance goes with an approval, not with --decline"};
  try {
    const auto key = card_key(readersim::load_card(card_file));
    std::printf("%s\n", issuer_answer(key, hex_arg(rest[0]), decision).c_str());
    return 0;
  } catch (const IssuerRefusal& e) {
    std::fprintf(stderr, "tarn: issuer refuses: %s\n", e.what());
    return 1;
  }
}

const SubCommand kPbocCommands[] = {
    {"pboc-card-number", "[--contactless]", "track 2 equivalent data through the PBOC kernel",
     card_number},
    {"field55", "AMOUNT [TYPE] [--contactless]",
     "field 55 (first GENERATE AC) for AMOUNT in minor units", field55},
    {"trade-log", "", "the card's transaction log as a table", trade_log},
    {"balance", "", "the card's electronic cash balance", balance},
    {"ic-info", "", "records 2 and 1 of the card's first file", ic_info},
    {"issuer-script", "AMOUNT [ISSUER_HEX]",
     "field 55 for AMOUNT, then the issuer's answer (argument or stdin) sent to the card",
     issuer_script},
    {"issuer", "FIELD55_HEX [--approve|--decline] [--balance NEW] [--card FILE]",
     "the issuer's answer (tags 86 and 91) to a field 55, after checking its ARQC", issuer},
};

}  // namespace

std::span<const SubCommand> pboc_subcommands() {
  return kPbocCommands;
}

}  // namespace tarn_tool

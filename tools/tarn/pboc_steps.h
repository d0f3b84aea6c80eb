// PBOC steps through the bridge shared by the `tarn` sub-commands and the demo.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "cli.h"
#include "readersim/pboc_keys.h"

namespace tarn_tool {

// The card's answer to a first GENERATE AC, with its card number.
struct Field55 {
  std::array<unsigned char, 178> bytes{};
  int length = 0;
  std::array<unsigned char, 36> track2{};
  int track2_length = 0;
  unsigned char pan_sequence = 0;
  std::span<const unsigned char> data() const { return std::span(bytes).first(length); }
};

// Prints a kernel or bridge result as report() does, naming the kernel's own codes; returns the
// exit status.
int kernel_report(const char* what, int result);

// An amount in minor units (up to 12 digits) as 6 BCD bytes; UsageError otherwise.
readersim::pboc::Balance amount_arg(const std::string& text);

// With --sim the customer's card goes to the contacts, or into the field for contactless; a
// card without that chip is replaced by the shipped PBOC debit (or contactless) card.
void present_card(Session& s, bool contactless);

// Field 55 for the amount and transaction type; prints a failure and returns none.
std::optional<Field55> request_field55(Session& s, const readersim::pboc::Balance& amount, int type,
                                       bool contactless);
// Sends the issuer's answer and prints the 99-byte result; false after printing a failure.
bool complete_with_issuer(const std::string& issuer_hex);
// Prints the electronic cash balance; false after printing a failure.
bool show_balance(Session& s);
// Prints the card's transaction log as a table; false after printing a failure.
bool show_trade_log(Session& s);

}  // namespace tarn_tool

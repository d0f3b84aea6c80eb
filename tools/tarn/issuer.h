// The issuer side of an online PBOC transaction for the virtual cards: checks the ARQC of a
// field 55 under the card's test key and answers with the issuer data (tags 86 and 91) that
// the kernel's issuer step takes.
#pragma once

#include <optional>
#include <span>
#include <stdexcept>
#include <string>

#include "readersim/card.h"
#include "readersim/pboc_keys.h"

namespace tarn_tool {

// A field 55 that is malformed or whose ARQC does not verify.
struct IssuerRefusal : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct IssuerDecision {
  bool approve = true;
  std::optional<readersim::pboc::Balance> balance;  // a script setting the card's balance
};

// The test key of the card's payment application (contact chip first); throws
// readersim::CardError when the card has none.
readersim::Bytes card_key(const readersim::Card& card);

// Hex text (upper case, no spaces) of 86 (the balance script, when asked for) followed by 91
// (ARPC and ARC). Throws IssuerRefusal.
std::string issuer_answer(std::span<const std::uint8_t> key, std::span<const std::uint8_t> field55,
                          const IssuerDecision& decision);

}  // namespace tarn_tool

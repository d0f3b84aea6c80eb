// The payment behaviour of a PBOC application on a virtual CPU card: GENERATE AC, GET DATA of
// the ATC and the electronic cash balance, the transaction log in SFI 11, EXTERNAL AUTHENTICATE
// and the issuer's balance update. README.md gives the card-file keys and the key scheme.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "readersim/frame.h"
#include "readersim/pboc_keys.h"

namespace readersim {

struct ElementaryFile;

inline constexpr std::uint8_t kLogSfi = 11;
inline constexpr std::size_t kLogRecordSize = 45;

// What the card keeps between transactions (and power cycles, while the reader holds it).
struct PaymentApplication {
  Bytes key;                      // the card's test key, 16 to 32 bytes
  std::uint16_t atc = 0;          // application transaction counter of the last transaction
  pboc::Balance balance{};        // electronic cash balance (tag 9F79), BCD
  std::size_t log_capacity = 10;  // log records kept; the oldest goes first
  friend bool operator==(const PaymentApplication&, const PaymentApplication&) = default;
};

// The transaction in progress while the card is powered.
struct PaymentSession {
  bool started = false;             // a first GENERATE AC answered with an ARQC
  Bytes first_data;                 // its CDOL1 data
  pboc::Cryptogram arqc{};          //
  std::optional<pboc::Arc> issuer;  // ARC of an EXTERNAL AUTHENTICATE the card accepted
  bool authentication_tried = false;
  bool completed = false;  // the second GENERATE AC was answered
  friend bool operator==(const PaymentSession&, const PaymentSession&) = default;
};

// A command for the payment application, taken apart.
struct PaymentCommand {
  std::uint8_t cla, ins, p1, p2;
  std::span<const std::uint8_t> data;
};

struct PaymentAnswer {
  Bytes data;
  std::uint16_t status;
};

// The application's answer, or none when the command is not one of its own (the card's other
// behaviour answers it). `files` are the application's EFs: its CDOL1 and CDOL2 come from its
// records and the log is the EF with SFI 11.
std::optional<PaymentAnswer> answer_payment(PaymentApplication& app, PaymentSession& session,
                                            std::vector<ElementaryFile>& files,
                                            const PaymentCommand& command);

}  // namespace readersim

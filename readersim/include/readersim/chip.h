// CPU-card chips of the virtual reader: what a card file describes (answer to reset, protocol,
// a file system of MF, DFs and EFs, fixed answers to other commands), and the state of a chip
// while it is powered. README.md gives the card-file format.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "readersim/frame.h"
#include "readersim/pboc_application.h"

namespace readersim {

// An elementary file of records, selected by identifier or reached by its short identifier.
struct ElementaryFile {
  std::optional<std::uint16_t> id;  // file identifier (e.g. EF05)
  std::uint8_t sfi = 0;             // short file identifier 1..30; 0 = none
  std::vector<Bytes> records;       // record 1 first, each as the card returns it
  friend bool operator==(const ElementaryFile&, const ElementaryFile&) = default;
};

// A command with a fixed answer: any APDU that starts with `prefix` gets `response` (data and
// SW1 SW2 as the card sends them), e.g. GET PROCESSING OPTIONS.
struct FixedAnswer {
  Bytes prefix;
  Bytes response;
  friend bool operator==(const FixedAnswer&, const FixedAnswer&) = default;
};

// A dedicated file (application or directory) under the MF, selected by name.
struct DedicatedFile {
  Bytes name;  // DF name or AID
  Bytes fci;   // answer to SELECT, without the status word
  std::vector<ElementaryFile> files;
  std::vector<FixedAnswer> answers;
  std::optional<PaymentApplication> payment;  // a PBOC application's payment behaviour
  friend bool operator==(const DedicatedFile&, const DedicatedFile&) = default;
};

enum class ChipInterface : std::uint8_t { Contact, TypeA, TypeB };

struct Chip {
  ChipInterface interface = ChipInterface::Contact;
  // Contact: the ATR. Contactless: what power on answers (ATS of Type A, ATQB of Type B).
  Bytes atr;
  std::uint8_t protocol = 0;  // contact chips: 0 (T=0) or 1 (T=1)
  // Answers carrying data come as 61 xx and are fetched with GET RESPONSE.
  bool get_response = false;
  std::vector<ElementaryFile> files;  // EFs of the MF
  std::vector<FixedAnswer> answers;   // answered while the MF is current
  std::vector<DedicatedFile> dfs;
  friend bool operator==(const Chip&, const Chip&) = default;
};

// A chip's state while powered: the current DF and EF and an answer waiting for GET RESPONSE.
struct ChipSession {
  bool powered = false;
  std::optional<std::size_t> df;  // index into Chip::dfs; none = the MF
  std::optional<std::size_t> ef;  // index into the current DF's files
  Bytes pending;                  // data announced with 61 xx
  PaymentSession payment;         // the payment transaction in progress
  friend bool operator==(const ChipSession&, const ChipSession&) = default;
};

// The chip's answer to one APDU (data and SW1 SW2). `session` must be powered. A payment
// application keeps its counters, balance and log in `chip`.
Bytes answer_apdu(Chip& chip, ChipSession& session, std::span<const std::uint8_t> apdu);

}  // namespace readersim

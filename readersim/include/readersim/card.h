// Cards that the virtual reader can hold, and their JSON card files.
//
// A card file is one JSON object. Every key is optional; unknown keys are refused so that a typo
// never goes unnoticed. Chip data (contact CPU card, SAM, contactless, memory cards, Mifare,
// ISO 15693) will come under keys of their own next to these:
//
//   {
//     "name": "Test bank card",
//     "magnetic": { "track1": "", "track2": "6212340000000000012=49121200000000000", "track3": ""
//     }, "barcode": "TEST0001"
//   }
#pragma once

#include <array>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "readersim/chip.h"
#include "readersim/iso15693_tag.h"
#include "readersim/memory_card.h"
#include "readersim/mifare_card.h"

namespace readersim {

// Largest barcode the reader hands back (bytes of printable ASCII).
inline constexpr std::size_t kMaxBarcode = 16;

struct Card {
  std::string name;
  std::array<std::string, 3> tracks;  // magnetic tracks 1 to 3; empty when absent
  std::string barcode;                // empty when the card carries none

  // ---- CPU-card chips and SAM modules ("contact", "contactless", "sam") ----
  std::optional<Chip> contact;      // behind the contacts
  std::optional<Chip> contactless;  // in the card's antenna (Type A or B)
  std::optional<Chip> sam;          // a SAM module: the chip that a SIM/SAM socket contacts
  // ---- end of CPU-card chips ----

  // ---- Memory cards, Mifare cards and ISO 15693 tags ("memory", "mifare", "iso15693") ----
  std::optional<MemoryCard> memory;     // memory chip behind the contacts
  std::optional<MifareCard> mifare;     // Mifare chip in the card's antenna
  std::optional<Iso15693Tag> iso15693;  // vicinity tag in the card's antenna
  // ---- end of memory cards ----

  friend bool operator==(const Card&, const Card&) = default;
};

// A card file that cannot be read or does not describe a valid card.
class CardError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses card JSON; `origin` names the source in error messages. Throws CardError.
Card parse_card(std::string_view json, std::string_view origin = "card");

// Reads and parses a card file. Throws CardError naming the file.
Card load_card(const std::filesystem::path& file);

// The test bank card of cards/bank_card.json, without reading the file.
Card default_bank_card();

// Folder of the card files shipped with the reader (bank_card.json, three_track_card.json).
std::filesystem::path cards_dir();

}  // namespace readersim

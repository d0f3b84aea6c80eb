// The reader's own state: where the card is, what the magnetic head read, LEDs, counters.
// README.md gives the meaning of every parameter and reply byte.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "readersim/card.h"
#include "readersim/chip_slots.h"
#include "readersim/frame.h"

namespace readersim {

// Card position as the position query (CM "1" PM "0") reports it.
enum class Position : std::uint8_t {
  Gate = '0',        // held at the entrance; the user can take it
  ReadHead = '1',    // inside, at the magnetic head
  IcContacts = '2',  // inside, at the contact station
  RfField = '3',     // inside, at the contactless antenna
  Empty = '5',       // no card in the reader
};

// Error bytes of the reader's negative ("N") replies.
namespace error {
inline constexpr std::uint8_t kUnknownCommand = '0';
inline constexpr std::uint8_t kBadParameter = '1';
inline constexpr std::uint8_t kBadData = '2';
inline constexpr std::uint8_t kNoCard = '3';
inline constexpr std::uint8_t kCardPosition = '4';
inline constexpr std::uint8_t kNoMagneticData = '5';
inline constexpr std::uint8_t kNoBarcode = '6';
// CPU-card channels ("9", ":", "G"):
inline constexpr std::uint8_t kNoChip = '7';          // no chip of that kind answers
inline constexpr std::uint8_t kChipNotPowered = '8';  // no reset or power on since power came off
inline constexpr std::uint8_t kWrongProtocol = '9';   // T=0 exchange with a T=1 chip or the reverse
inline constexpr std::uint8_t kNoSocket = ':';        // SAM sockets are "0" to "7"
}  // namespace error

enum class LedMode : std::uint8_t { Off = '0', On = '1', Flash = '2' };

struct Led {
  LedMode mode = LedMode::Off;
  std::uint8_t flicker = 5;  // flash half-period in units of 100 ms
  friend bool operator==(const Led&, const Led&) = default;
};

// What the magnetic head stored while the card passed it.
struct MagneticData {
  std::array<std::string, 3> tracks;  // decoded characters; empty = empty or unreadable
  std::array<Bytes, 3> raw;           // flux bits packed LSB first; empty = nothing recorded
  friend bool operator==(const MagneticData&, const MagneticData&) = default;
};

struct HeldCard {
  Card card;
  Position where = Position::Gate;  // never Position::Empty
};

inline constexpr std::size_t kMaxMachineId = 91;
inline constexpr unsigned kMaxRetained = 999;

struct ReaderState {
  std::optional<HeldCard> card;
  std::optional<MagneticData> magnetic;  // none until a card passes the head, or after a clear
  std::optional<std::array<std::uint8_t, 7>> sensors;    // set: reported as is; else derived
  std::optional<std::array<std::uint8_t, 12>> voltages;  // set: reported as is; else derived
  std::optional<std::uint8_t> ic_test;  // set: contact auto-test result; else derived
  std::optional<std::uint8_t> rf_test;  // set: contactless auto-test result; else derived
  std::array<Led, 2> leds;
  Bytes machine_id;
  unsigned retained = 0;  // cards in the retain bin, at most kMaxRetained
  bool contact_power = false;
  bool external_io = false;
  unsigned baud = 9600;  // last rate set by CM "F"
  std::string version = "READERSIM V1.00";
  ChipSlots chips;  // CPU-card chips in the contact channel, the SAM sockets and the field

  Position position() const { return card ? card->where : Position::Empty; }
  bool card_inside() const { return card && card->where != Position::Gate; }
};

// Sensor bytes and voltage bytes as the reader reports them (overrides included).
std::array<std::uint8_t, 7> sensor_bytes(const ReaderState& state);
std::array<std::uint8_t, 12> voltage_bytes(const ReaderState& state);

}  // namespace readersim

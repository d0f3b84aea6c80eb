// Faults the virtual reader can put on the line, for the next requests it accepts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace readersim {

enum class Fault {
  Silence,          // no answer at all to the request frame
  Nak,              // NAK instead of ACK
  Garbage,          // kGarbageByte instead of ACK
  AckThenSilence,   // ACK, then nothing after ENQ
  WrongBcc,         // reply with its BCC inverted
  WrongCmEcho,      // reply echoing another CM (BCC right)
  MissingEtx,       // reply with kNotEtx where ETX belongs (BCC right)
  Truncated,        // reply without its last two bytes (ETX and BCC)
  OversizedLength,  // reply whose length field says kOversizedLength (BCC over what is sent)
  SlowReply,        // reply after the fault's delay
  Disconnect,       // first half of the reply, then the pty master is closed
};

inline constexpr std::uint8_t kGarbageByte = 0xA5;
inline constexpr std::uint8_t kNotEtx = 0x00;
inline constexpr std::uint16_t kOversizedLength = 0x01F4;

// A count for VirtualReader::inject: the fault stays until clear_faults().
inline constexpr int kUntilCleared = 0;

// Names used by the tarn-readersim console: silence, nak, garbage, ack-silence, bad-bcc,
// bad-echo, no-etx, truncated, oversized, slow, disconnect.
std::string_view fault_name(Fault fault);
std::optional<Fault> fault_from_name(std::string_view name);
std::string fault_names();  // all names, separated by spaces

}  // namespace readersim

// The virtual motorised card reader: serves the reader side of the frame protocol on a
// pseudo-terminal, on a thread of its own, for as long as the object lives.
//
//   readersim::VirtualReader r;             // starts serving
//   r.insert_card(readersim::load_card(readersim::cards_dir() / "bank_card.json"));
//   std::string path = r.slave_path();      // what the card-reader library opens
//   r.inject(readersim::Fault::Nak);        // next request answered NAK
//   r.set_next_error('3', '3');             // next move answered "N" with error byte "3"
//   r.received();                           // bytes the library sent, in order
//   r.conversations();                      // {start, end} steady-clock times per exchange
//
// Card entry (CM "2"): a card waiting at the gate (insert_card) is taken in at once; otherwise
// the reply is held until insert_card() or until the library cancels with EOT.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "readersim/card.h"
#include "readersim/fault.h"
#include "readersim/frame.h"
#include "readersim/reader_state.h"

namespace readersim {

struct ReaderOptions {
  std::string link;        // symlink made to the slave (replaced if it is a symlink); "" = none
  unsigned pace_baud = 0;  // send each byte at this line rate (10 bit times); 0 = at once
  // false: bytes, requests and conversations are not kept, only their counts (long runs, whose
  // memory would otherwise grow with every exchange); received(), sent(), requests() and
  // conversations() then stay empty.
  bool record = true;
};

// One exchange: from the request's STX until the reader's last byte (ACK/NAK/reply/EOT) went
// out, or until the reader decided to stay silent.
struct Conversation {
  std::chrono::steady_clock::time_point start;
  std::chrono::steady_clock::time_point end;
  std::uint8_t cm = 0;  // 0 for a frame the reader refused
};

class VirtualReader {
 public:
  // Opens the pty pair and starts serving; throws std::system_error when that fails.
  explicit VirtualReader(ReaderOptions options = {});
  ~VirtualReader();
  VirtualReader(const VirtualReader&) = delete;
  VirtualReader& operator=(const VirtualReader&) = delete;

  std::string slave_path() const;  // the current slave (changes with reconnect)
  std::string link() const;        // the symlink, "" when none

  // A user puts a card into the slot: it waits at the gate, or is taken in at once when an
  // entry is pending. Replaces any card the reader holds.
  void insert_card(Card card);
  // A user takes the card from the gate; false (nothing changes) when none is there.
  bool remove_card();
  // Puts a card straight at a position, as if it had been taken in (magnetic data stored).
  void place_card(Card card, Position where);

  ReaderState state() const;
  void update_state(const std::function<void(ReaderState&)>& change);
  // True once a card entry is held waiting for a card (false when the wait runs out).
  bool wait_for_entry(std::chrono::milliseconds timeout) const;

  // The next `count` accepted requests (kUntilCleared: all until clear_faults) get `fault`;
  // `delay` is the wait of Fault::SlowReply. Injecting a fault again replaces its count.
  void inject(Fault fault, int count = 1, std::chrono::milliseconds delay = {});
  void clear_faults();
  // After ENQ, the next accepted request gets these bytes instead of its reply.
  void set_next_raw_reply(Bytes bytes);
  // The next request with this CM gets a positive reply with `data`, or a negative one with
  // `error_byte`; the command itself is not carried out.
  void set_next_reply(std::uint8_t cm, Bytes data);
  void set_next_error(std::uint8_t cm, std::uint8_t error_byte);

  // Closes the pty master (the slave sees a hang-up; the old path and the symlink lead nowhere,
  // and the slave's number is not handed to another pty); reconnect() opens a new pair, points
  // the symlink at it, and only then lets the old number go.
  void disconnect();
  void reconnect();
  void set_pacing(unsigned baud);  // 0 = off

  Bytes received() const;  // every byte from the line, in order
  Bytes sent() const;      // every byte the reader wrote, in order (recorded as it is written)
  bool wait_received(std::size_t count, std::chrono::milliseconds timeout) const;
  std::vector<Request> requests() const;  // each well-formed request frame
  std::size_t request_count() const;      // counted even when not recording
  std::vector<Conversation> conversations() const;
  unsigned protocol_errors() const;  // bad frames, stray and interleaved bytes
  void clear_recording();

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace readersim

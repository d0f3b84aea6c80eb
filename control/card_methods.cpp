// The card-reader methods: each opens the named port, runs one or two reader commands and closes
// the port again on every path.
#include <algorithm>
#include <array>

#include "automation_text.h"
#include "card_library.h"
#include "corvi_ctrl.h"

namespace corvi {
namespace {

constexpr std::uint8_t kCardAtGate = '0';
constexpr std::uint8_t kNoCard = '5';
// Taken as the card position when the reader could not be asked: neither at the gate nor absent,
// so no card is taken in and "no card" is never claimed.
constexpr std::uint8_t kPositionUnknown = 0x00;

constexpr int kEnterPm = '1';
constexpr unsigned kEntryWaitMs = 30000;
constexpr int kMovePm = '4';
constexpr int kReadPm = '1';

// Status characters of EnterCard and MoveCard.
constexpr std::uint8_t kSuccess = '0';  // card taken in, card moved
constexpr std::uint8_t kPortNotOpened = '1';
constexpr std::uint8_t kCardAlreadyAtGate = '2';
constexpr std::uint8_t kCardElsewhere = '3';
constexpr std::uint8_t kEntryNotCompleted = '5';
constexpr std::uint8_t kEntryFailed = 0x00;

// The decoded read writes up to 492 bytes; the stripe text starts after 2 leading bytes and the
// method returns at most 19 characters of it.
constexpr std::size_t kStripeBufferSize = 492;
constexpr std::size_t kStripeSkip = 2;
constexpr std::size_t kMaxStripeCharacters = 19;
constexpr char16_t kNoCardText[] = u"无卡";

// The port name for the card-reader library, or nothing when there is none to give it: a null
// or empty name, a name the locale's charset cannot hold, or one with a zero character inside
// (the library would see only the part before it, and open another port).
std::optional<std::string> port_name(automation::BSTR port) {
  std::optional<std::string> name = to_ansi(port);
  if (name && (name->empty() || name->find('\0') != std::string::npos)) return std::nullopt;
  return name;
}

// The port of one method call, open from construction to destruction.
class ReaderPort {
 public:
  explicit ReaderPort(automation::BSTR port) {
    if (const auto name = port_name(port)) handle_ = card_library().comm_open(name->c_str());
  }
  ~ReaderPort() {
    if (handle_ != nullptr) card_library().comm_close(handle_);
  }
  ReaderPort(const ReaderPort&) = delete;
  ReaderPort& operator=(const ReaderPort&) = delete;

  bool is_open() const { return handle_ != nullptr; }
  TARN_HANDLE handle() const { return handle_; }

  std::uint8_t card_position() const {
    unsigned char position = kPositionUnknown;
    card_library().check_card_position(handle_, &position);
    return position;
  }

 private:
  TARN_HANDLE handle_ = nullptr;
};

std::uint8_t entry_status(int result) {
  if (result == TARN_OK) return kSuccess;
  return result == TARN_E_ENTRY ? kEntryNotCompleted : kEntryFailed;
}

// The stripe bytes after the leading two, each byte one character of the same value.
std::u16string stripe_text(const std::array<unsigned char, kStripeBufferSize>& stripe, int count) {
  const std::size_t end = std::min(static_cast<std::size_t>(count), stripe.size());
  std::u16string text;
  for (std::size_t i = kStripeSkip; i < end && text.size() < kMaxStripeCharacters; ++i)
    text += static_cast<char16_t>(stripe[i]);
  return text;
}

}  // namespace

std::uint8_t CCorviCtrl::EnterCard(automation::BSTR port) {
  const ReaderPort reader(port);
  if (!reader.is_open()) return kPortNotOpened;
  const std::uint8_t position = reader.card_position();
  if (position == kCardAtGate) return kCardAlreadyAtGate;
  if (position != kNoCard) return kCardElsewhere;
  return entry_status(card_library().enter_card(reader.handle(), kEnterPm, kEntryWaitMs));
}

std::uint8_t CCorviCtrl::MoveCard(automation::BSTR port) {
  const ReaderPort reader(port);
  if (!reader.is_open()) return kPortNotOpened;
  const int result = card_library().move_card(reader.handle(), kMovePm);
  return result == TARN_OK ? kSuccess : static_cast<std::uint8_t>(result);
}

automation::BSTR CCorviCtrl::ReadMagcard(automation::BSTR port) {
  const ReaderPort reader(port);
  if (!reader.is_open()) return nullptr;
  if (reader.card_position() == kNoCard) return new_bstr(kNoCardText);
  std::array<unsigned char, kStripeBufferSize> stripe{};
  int count = 0;
  card_library().read_magcard_decode(reader.handle(), kReadPm, &count, stripe.data());
  if (count <= 0) return nullptr;
  return new_bstr(stripe_text(stripe, count));
}

}  // namespace corvi

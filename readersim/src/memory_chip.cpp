#include "memory_chip.h"

#include <algorithm>

namespace readersim {

std::uint8_t Fields::byte() {
  if (at_ >= data_.size()) {
    ok_ = false;
    return 0;
  }
  return data_[at_++];
}

std::size_t Fields::word() {
  const std::size_t high = byte();
  return high << 8 | byte();
}

std::span<const std::uint8_t> Fields::bytes(std::size_t n) {
  if (!ok_ || n > data_.size() - at_) {
    ok_ = false;
    return {};
  }
  at_ += n;
  return std::span(data_).subspan(at_ - n, n);
}

std::uint8_t present(ChipPassword& password, std::span<const std::uint8_t> value) {
  if (password.attempts == 0) return chip_error::kLocked;
  if (std::equal(value.begin(), value.end(), password.value.begin(), password.value.end())) {
    password.attempts = password.max_attempts;
    password.presented = true;
    return 0;
  }
  password.presented = false;
  --password.attempts;
  return password.attempts == 0 ? chip_error::kLocked : chip_error::kRefused;
}

MemoryCard* memory_card_at_contacts(ReaderState& state, std::uint8_t& error) {
  if (!state.card) {
    error = error::kNoCard;
    return nullptr;
  }
  if (state.card->where != Position::IcContacts) {
    error = error::kCardPosition;
    return nullptr;
  }
  if (!state.card->card.memory) {
    error = chip_error::kNoChip;
    return nullptr;
  }
  return &*state.card->card.memory;
}

bool power_check(const ReaderState& state, MemoryCard& card, std::uint8_t& error) {
  if (!state.contact_power) {
    forget_presented(card);
    card.powered = false;
    error = chip_error::kNotPowered;
    return false;
  }
  if (!card.powered) {
    forget_presented(card);
    card.powered = true;
  }
  return true;
}

namespace {

void forget(std::vector<ChipPassword>& passwords) {
  for (ChipPassword& p : passwords) p.presented = false;
}

struct Forget {
  void operator()(At24cChip&) const {}
  void operator()(At45Chip&) const {}
  void operator()(At88sc102Chip& c) const { c.code.presented = false; }
  void operator()(At88sc1604Chip& c) const { forget(c.passwords); }
  void operator()(At88sc1608Chip& c) const {
    forget(c.passwords);
    c.challenge.clear();
    c.authenticated = false;
  }
  void operator()(Sle4442Chip& c) const { c.psc.presented = false; }
  void operator()(Sle4428Chip& c) const { c.psc.presented = false; }
};

}  // namespace

void forget_presented(MemoryCard& card) {
  std::visit(Forget{}, card.chip);
}

void add_memory_card_commands(CommandTable& table) {
  add_eeprom_commands(table);
  add_at88sc102_commands(table);
  add_at88sc16xx_commands(table);
  add_sle44xx_commands(table);
}

}  // namespace readersim

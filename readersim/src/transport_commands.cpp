// Reset, card position and sensors, card entry, moves, auto-tests and contact power.
#include "command_table.h"
#include "magstripe.h"

namespace readersim {
namespace {

// Moves the card to a position inside; from the gate it passes the magnetic head, which stores
// what it reads. Leaving the contact station cuts the contact power.
void move_inside(ReaderState& state, Position where) {
  if (state.card->where == Position::Gate) state.magnetic = read_stripe(state.card->card);
  state.card->where = where;
  if (where != Position::IcContacts) state.contact_power = false;
}

void eject(ReaderState& state) {
  state.card->where = Position::Gate;
  state.contact_power = false;
}

void retain(ReaderState& state) {
  state.card.reset();
  state.contact_power = false;
  if (state.retained < kMaxRetained) ++state.retained;
}

Handler reset_then(void (*card_action)(ReaderState&)) {
  return [card_action](const Request&, ReaderState& state) {
    state.contact_power = false;
    state.leds = {};
    if (state.card && card_action) card_action(state);
    return Reply::ok(Bytes(state.version.begin(), state.version.end()));
  };
}

Handler entry_to(Position where) {
  return [where](const Request&, ReaderState& state) {
    if (!state.card) return Reply::hold();
    if (state.card_inside()) return Reply::fail(error::kCardPosition);
    move_inside(state, where);
    return Reply::ok();
  };
}

Handler move_to(Position where) {
  return [where](const Request&, ReaderState& state) {
    if (!state.card) return Reply::fail(error::kNoCard);
    move_inside(state, where);
    return Reply::ok();
  };
}

Handler card_action(void (*action)(ReaderState&)) {
  return [action](const Request&, ReaderState& state) {
    if (!state.card) return Reply::fail(error::kNoCard);
    action(state);
    return Reply::ok();
  };
}

// Auto-test result: "0" a chip answered, "1" no card inside, "2" no chip of that kind answered.
Handler auto_test(std::optional<std::uint8_t> ReaderState::*result) {
  return [result](const Request&, ReaderState& state) {
    std::uint8_t derived = state.card_inside() ? '2' : '1';
    return Reply::ok({(state.*result).value_or(derived)});
  };
}

template <std::size_t N>
Bytes to_bytes(const std::array<std::uint8_t, N>& a) {
  return Bytes(a.begin(), a.end());
}

Reply power_on(const Request&, ReaderState& state) {
  if (!state.card) return Reply::fail(error::kNoCard);
  if (state.card->where != Position::IcContacts) return Reply::fail(error::kCardPosition);
  state.contact_power = true;
  return Reply::ok();
}

Reply power_off(const Request&, ReaderState& state) {
  state.contact_power = false;
  return Reply::ok();
}

}  // namespace

void add_transport_commands(CommandTable& table) {
  table.add(
      '0',
      by_pm({{'0', reset_then(nullptr)}, {'1', reset_then(eject)}, {'2', reset_then(retain)}}));
  table.add('1', by_pm({
                     {'0',
                      [](const Request&, ReaderState& s) {
                        return Reply::ok({static_cast<std::uint8_t>(s.position())});
                      }},
                     {'1', [](const Request&,
                              ReaderState& s) { return Reply::ok(to_bytes(sensor_bytes(s))); }},
                     {'2', [](const Request&,
                              ReaderState& s) { return Reply::ok(to_bytes(voltage_bytes(s))); }},
                 }));
  table.add('2', by_pm({{'1', entry_to(Position::ReadHead)},
                        {'2', entry_to(Position::IcContacts)},
                        {'3', entry_to(Position::RfField)}}));
  table.add('3', by_pm({{'1', move_to(Position::ReadHead)},
                        {'2', move_to(Position::IcContacts)},
                        {'3', move_to(Position::RfField)},
                        {'4', card_action(eject)},
                        {'5', card_action(retain)}}));
  table.add('4', by_pm({{'0', auto_test(&ReaderState::ic_test)},
                        {'1', auto_test(&ReaderState::rf_test)}}));
  table.add('E', by_pm({{'0', power_on}, {'1', power_off}}));
}

}  // namespace readersim

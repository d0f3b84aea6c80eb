// CPU-card channels of the reader: the contact card ("9"), the SIM/SAM sockets (":") and the
// contactless card in the field ("G"). The reader resets or powers a chip, passes APDUs to it
// and hands back what it answers.
#include "command_table.h"

namespace readersim {
namespace {

using error::kChipNotPowered;
using error::kNoChip;
using error::kNoSocket;
using error::kWrongProtocol;
constexpr std::uint8_t kLeadingByte = 0x00;  // the card answered within its waiting time
constexpr std::size_t kMinApdu = 4;

// A chip the reader can reach, with its session; `error` says why it cannot.
struct Reach {
  Chip* chip = nullptr;
  ChipSession* session = nullptr;
  std::uint8_t error = 0;
};

Reach contact_chip(ReaderState& state) {
  if (!state.card) return {.error = error::kNoCard};
  if (state.card->where != Position::IcContacts) return {.error = error::kCardPosition};
  if (!state.card->card.contact) return {.error = kNoChip};
  return {&*state.card->card.contact, &state.chips.contact};
}

Reach sam_chip(ReaderState& state) {
  const std::uint8_t socket = state.chips.sam_selected;
  auto& module = state.chips.sams[socket];
  if (!module || !module->sam) return {.error = kNoChip};
  return {&*module->sam, &state.chips.sam_sessions[socket]};
}

Reach field_chip(ReaderState& state, std::optional<ChipInterface> wanted = std::nullopt) {
  if (!state.card) return {.error = error::kNoCard};
  if (state.card->where != Position::RfField) return {.error = error::kCardPosition};
  auto& chip = state.card->card.contactless;
  if (!chip || (wanted && chip->interface != *wanted)) return {.error = kNoChip};
  return {&*chip, &state.chips.field};
}

using Finder = Reach (*)(ReaderState&);

// A fresh session: the chip has just answered its reset or power on.
void power_up(ChipSession& session) {
  session = {};
  session.powered = true;
}

// Reset reply: count N (protocol character and ATR), protocol character, ATR.
Reply answer_to_reset(const Reach& reach) {
  power_up(*reach.session);
  Bytes data{static_cast<std::uint8_t>(reach.chip->atr.size() + 1),
             static_cast<std::uint8_t>('0' + reach.chip->protocol)};
  data.insert(data.end(), reach.chip->atr.begin(), reach.chip->atr.end());
  return Reply::ok(std::move(data));
}

Handler cold_reset(Finder find) {
  return [find](const Request& request, ReaderState& state) {
    if (!request.data.empty()) return Reply::fail(error::kBadData);
    const Reach reach = find(state);
    if (reach.error) return Reply::fail(reach.error);
    if (reach.session == &state.chips.contact) state.contact_power = true;
    return answer_to_reset(reach);
  };
}

// Warm reset: the parameter character "0", "1" or "2" asks for the 5 V, 3 V or 1.8 V class;
// the virtual chips answer every class alike.
Handler warm_reset(Finder find) {
  return [find](const Request& request, ReaderState& state) {
    if (request.data.size() != 1 || request.data[0] < '0' || request.data[0] > '2')
      return Reply::fail(error::kBadData);
    const Reach reach = find(state);
    if (reach.error) return Reply::fail(reach.error);
    if (!reach.session->powered) return Reply::fail(kChipNotPowered);
    return answer_to_reset(reach);
  };
}

Reply contact_power_off(const Request& request, ReaderState& state) {
  if (!request.data.empty()) return Reply::fail(error::kBadData);
  state.chips.contact = {};
  state.contact_power = false;
  return Reply::ok();
}

Reply sam_power_off(const Request& request, ReaderState& state) {
  if (!request.data.empty()) return Reply::fail(error::kBadData);
  state.chips.sam_sessions[state.chips.sam_selected] = {};
  return Reply::ok();
}

Reply select_socket(const Request& request, ReaderState& state) {
  if (request.data.size() != 1) return Reply::fail(error::kBadData);
  const std::uint8_t socket = request.data[0] - '0';
  if (socket >= kSamSockets) return Reply::fail(kNoSocket);
  state.chips.sam_selected = socket;
  return Reply::ok();
}

// The APDU of a request: `skip` leading bytes, its length (2 bytes, high first), then exactly
// that many bytes, at least a command header.
std::optional<std::span<const std::uint8_t>> apdu_of(const Request& request, std::size_t skip) {
  const Bytes& d = request.data;
  if (d.size() < skip + 2) return std::nullopt;
  const std::size_t n = static_cast<std::size_t>(d[skip] << 8 | d[skip + 1]);
  if (n < kMinApdu || d.size() != skip + 2 + n) return std::nullopt;
  return std::span(d).subspan(skip + 2);
}

// Contact and socket exchange: replies the response length (2 bytes) and the response.
Handler contact_apdu(Finder find, std::uint8_t protocol) {
  return [=](const Request& request, ReaderState& state) {
    const auto apdu = apdu_of(request, 0);
    if (!apdu) return Reply::fail(error::kBadData);
    const Reach reach = find(state);
    if (reach.error) return Reply::fail(reach.error);
    if (!reach.session->powered) return Reply::fail(kChipNotPowered);
    if (reach.chip->protocol != protocol) return Reply::fail(kWrongProtocol);
    const Bytes response = answer_apdu(*reach.chip, *reach.session, *apdu);
    Bytes data{static_cast<std::uint8_t>(response.size() >> 8),
               static_cast<std::uint8_t>(response.size())};
    data.insert(data.end(), response.begin(), response.end());
    return Reply::ok(std::move(data));
  };
}

// Contactless power on: the chip's ATS (Type A) or ATQB (Type B).
Handler field_power_on(ChipInterface type) {
  return [type](const Request& request, ReaderState& state) {
    if (!request.data.empty()) return Reply::fail(error::kBadData);
    const Reach reach = field_chip(state, type);
    if (reach.error) return Reply::fail(reach.error);
    power_up(*reach.session);
    return Reply::ok(reach.chip->atr);
  };
}

// Contactless exchange: option byte (only 0 is defined), APDU length, APDU; replies the leading
// byte and the response.
Reply field_apdu(const Request& request, ReaderState& state) {
  const auto apdu = apdu_of(request, 1);
  if (!apdu || request.data[0] != 0) return Reply::fail(error::kBadData);
  const Reach reach = field_chip(state);
  if (reach.error) return Reply::fail(reach.error);
  if (!reach.session->powered) return Reply::fail(kChipNotPowered);
  Bytes data{kLeadingByte};
  const Bytes response = answer_apdu(*reach.chip, *reach.session, *apdu);
  data.insert(data.end(), response.begin(), response.end());
  return Reply::ok(std::move(data));
}

}  // namespace

void add_cpu_card_commands(CommandTable& table) {
  constexpr bool kTakesData = true;
  table.add('9',
            by_pm({{'0', cold_reset(contact_chip)},
                   {'1', contact_power_off},
                   {'2', warm_reset(contact_chip)},
                   {'3', contact_apdu(contact_chip, 0)},
                   {'4', contact_apdu(contact_chip, 1)}}),
            kTakesData);
  table.add(':',
            by_pm({{'0', cold_reset(sam_chip)},
                   {'1', sam_power_off},
                   {'2', warm_reset(sam_chip)},
                   {'3', contact_apdu(sam_chip, 0)},
                   {'4', contact_apdu(sam_chip, 1)},
                   {'5', select_socket}}),
            kTakesData);
  table.add('G',
            by_pm({{'0', field_power_on(ChipInterface::TypeA)},
                   {'3', field_apdu},
                   {'6', field_power_on(ChipInterface::TypeB)}}),
            kTakesData);
}

void settle_chips(ReaderState& state) {
  const Position where = state.position();
  if (!state.contact_power || where != Position::IcContacts) state.chips.contact = {};
  if (where != Position::RfField) state.chips.field = {};
}

}  // namespace readersim

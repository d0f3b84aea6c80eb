// LEDs, reader baud rate, barcode, retained-card counter, machine identity, external I/O.
#include <array>

#include "command_table.h"

namespace readersim {
namespace {

constexpr std::uint8_t kIdentity = 0x90;
constexpr std::uint8_t kExternalIo = 0x92;

constexpr std::array<unsigned, 8> kRates = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

// For commands whose table entry takes data only under some PMs.
Handler no_data(Handler handler) {
  return [handler = std::move(handler)](const Request& request, ReaderState& state) {
    return request.data.empty() ? handler(request, state) : Reply::fail(error::kBadData);
  };
}

Handler led_mode(std::size_t led, LedMode mode) {
  return [led, mode](const Request&, ReaderState& state) {
    state.leds[led].mode = mode;
    return Reply::ok();
  };
}

// PM "3": one data byte, the flash half-period in units of 100 ms (1 to 255).
Handler led_flicker(std::size_t led) {
  return [led](const Request& request, ReaderState& state) {
    if (request.data.size() != 1 || request.data[0] == 0) return Reply::fail(error::kBadData);
    state.leds[led].flicker = request.data[0];
    return Reply::ok();
  };
}

Handler led(std::size_t index) {
  return by_pm({{'0', no_data(led_mode(index, LedMode::Off))},
                {'1', no_data(led_mode(index, LedMode::On))},
                {'2', no_data(led_mode(index, LedMode::Flash))},
                {'3', led_flicker(index)}});
}

Handler baud_rates() {
  std::map<std::uint8_t, Handler> table;
  for (std::size_t i = 0; i < kRates.size(); ++i) {
    table[static_cast<std::uint8_t>('0' + i)] = [rate = kRates[i]](const Request&,
                                                                   ReaderState& state) {
      state.baud = rate;
      return Reply::ok();
    };
  }
  return by_pm(std::move(table));
}

Reply barcode(const Request&, ReaderState& state) {
  if (!state.card) return Reply::fail(error::kNoCard);
  const std::string& code = state.card->card.barcode;
  if (code.empty()) return Reply::fail(error::kNoBarcode);
  return Reply::ok(Bytes(code.begin(), code.end()));
}

Reply retained_count(const Request&, ReaderState& state) {
  unsigned n = state.retained;
  return Reply::ok({static_cast<std::uint8_t>('0' + n / 100 % 10),
                    static_cast<std::uint8_t>('0' + n / 10 % 10),
                    static_cast<std::uint8_t>('0' + n % 10)});
}

Reply get_machine_id(const Request&, ReaderState& state) {
  Bytes out{static_cast<std::uint8_t>(state.machine_id.size())};
  out.insert(out.end(), state.machine_id.begin(), state.machine_id.end());
  return Reply::ok(std::move(out));
}

// Data: N, then the N identity bytes (at most kMaxMachineId).
Reply set_machine_id(const Request& request, ReaderState& state) {
  const Bytes& d = request.data;
  if (d.empty() || d[0] != d.size() - 1 || d[0] > kMaxMachineId) {
    return Reply::fail(error::kBadData);
  }
  state.machine_id.assign(d.begin() + 1, d.end());
  return Reply::ok();
}

Handler external_io(bool on) {
  return [on](const Request&, ReaderState& state) {
    state.external_io = on;
    return Reply::ok();
  };
}

}  // namespace

void add_device_commands(CommandTable& table) {
  table.add('5', led(0), true);
  table.add('6', led(1), true);
  table.add('F', baud_rates());
  table.add('I', by_pm({{'0', barcode}}));
  table.add('Q', by_pm({{'0', retained_count}, {'1', [](const Request&, ReaderState& s) {
                                                  s.retained = 0;
                                                  return Reply::ok();
                                                }}}));
  table.add(kIdentity, by_pm({{'0', no_data(get_machine_id)}, {'1', set_machine_id}}), true);
  table.add(kExternalIo, by_pm({{'0', external_io(false)}, {'1', external_io(true)}}));
  // The test frame 02 00 02 92 92 03 03 is taken without any answer.
  table.add_silent(kExternalIo, kExternalIo);
}

}  // namespace readersim

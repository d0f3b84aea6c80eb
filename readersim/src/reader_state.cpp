#include "readersim/reader_state.h"

namespace readersim {
namespace {

// Sensor (1-based) that sees a card resting at each position; sensors 2, 6 and 7 only see a
// card while it moves.
int sensor_at(Position where) {
  switch (where) {
    case Position::Gate:
      return 1;
    case Position::ReadHead:
      return 3;
    case Position::IcContacts:
      return 4;
    case Position::RfField:
      return 5;
    case Position::Empty:
      break;
  }
  return 0;
}

// Voltages in tenths of a volt.
constexpr std::uint8_t kSensorBlocked = 5;
constexpr std::uint8_t kSensorClear = 45;
constexpr std::uint8_t kLogicSupply = 50;
constexpr std::uint8_t kMotorSupply = 120;
constexpr std::uint8_t kContactSupply = 50;
constexpr std::uint8_t kReference = 33;

}  // namespace

std::array<std::uint8_t, 7> sensor_bytes(const ReaderState& state) {
  if (state.sensors) return *state.sensors;
  std::array<std::uint8_t, 7> bytes;
  bytes.fill('0');
  if (int s = sensor_at(state.position())) bytes[s - 1] = '1';
  return bytes;
}

std::array<std::uint8_t, 12> voltage_bytes(const ReaderState& state) {
  if (state.voltages) return *state.voltages;
  std::array<std::uint8_t, 12> volts{};
  auto sensors = sensor_bytes(state);
  for (std::size_t i = 0; i < sensors.size(); ++i) {
    volts[i] = sensors[i] == '1' ? kSensorBlocked : kSensorClear;
  }
  volts[7] = kLogicSupply;
  volts[8] = kMotorSupply;
  volts[9] = state.contact_power ? kContactSupply : 0;
  volts[10] = 0;  // SAM supply: no SAM is powered
  volts[11] = kReference;
  return volts;
}

}  // namespace readersim

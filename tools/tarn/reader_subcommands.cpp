// Sub-commands for the reader's own commands: position, sensors, entry, moves, LEDs, stripe...
#include <array>
#include <cstdio>
#include <string>

#include "Tarn_DLL.h"
#include "cli.h"

namespace tarn_tool {
namespace {

void need(Args args, std::size_t min, std::size_t max) {
  if (args.size() < min || args.size() > max) throw UsageError{"wrong number of arguments"};
}

std::uint8_t pm_or(Args args, std::size_t index, char fallback) {
  return args.size() > index ? byte_arg(args[index]) : static_cast<std::uint8_t>(fallback);
}

// Shows stripe data track by track: each track ends with a zero byte.
void print_tracks(const unsigned char* data, int count) {
  std::string track;
  int number = 1;
  for (int i = 0; i < count; ++i) {
    if (data[i] != 0) {
      track += static_cast<char>(data[i]);
      continue;
    }
    std::printf("track %d: %s\n", number++,
                track == "e" || track == "`" ? "(empty)" : track.c_str());
    track.clear();
  }
  if (!track.empty()) std::printf("track %d: %s\n", number, track.c_str());
}

int position(Session& s, Args args) {
  need(args, 0, 0);
  unsigned char status = 0;
  if (const int r = Tarn_CheckCardPosition(s.port, &status)) return report("position", r);
  std::printf("card position: %s\n", describe_byte(status).c_str());
  return 0;
}

int sensors(Session& s, Args args) {
  need(args, 0, 0);
  std::array<unsigned char, 7> states{};
  std::array<unsigned char, 12> volts{};
  if (const int r = Tarn_CheckSensorStates(s.port, states.data())) return report("sensors", r);
  if (const int r = Tarn_CheckSensorVoltage(s.port, volts.data())) return report("voltages", r);
  std::printf("sensor states:   %s\nsensor voltages: %s\n", hex(states).c_str(),
              hex(volts).c_str());
  return 0;
}

int enter(Session& s, Args args) {
  need(args, 0, 2);
  const long wait = args.size() > 1 ? number_arg(args[1]) : 30000;
  std::printf("waiting up to %ld ms for a card...\n", wait);
  std::fflush(stdout);
  if (const int r = Tarn_EnterCard(s.port, pm_or(args, 0, '1'), static_cast<unsigned>(wait)))
    return report("enter", r);
  std::printf("card taken in\n");
  return 0;
}

int read_stripe(Session& s, Args args) {
  need(args, 0, 2);
  const bool raw = !args.empty() && args[0] == "--raw";
  const Args rest = raw ? args.subspan(1) : args;
  std::array<unsigned char, 512> data{};
  int count = 0;
  const std::uint8_t pm = pm_or(rest, 0, '1');
  const int r = raw ? Tarn_ReadMagcardUNDecode(s.port, pm, &count, data.data())
                    : Tarn_ReadMagcardDecode(s.port, pm, &count, data.data());
  if (r) return report("read-stripe", r);
  std::printf("%d bytes: %s\n", count,
              hex(std::span(data).first(static_cast<std::size_t>(count))).c_str());
  if (!raw) print_tracks(data.data(), count);
  return 0;
}

int barcode(Session& s, Args args) {
  need(args, 0, 0);
  std::array<unsigned char, 32> data{};
  if (const int r = Tarn_ReadBarcode(s.port, data.data())) return report("barcode", r);
  std::printf("barcode: %s\n", reinterpret_cast<const char*>(data.data()));
  return 0;
}

int machine_id(Session& s, Args args) {
  need(args, 0, 2);
  if (!args.empty()) {
    if (args[0] != "set" || args.size() != 2) throw UsageError{"expected: machine-id [set TEXT]"};
    const std::string& id = args[1];
    return report("machine-id",
                  Tarn_SetMachineIDNum(s.port, static_cast<int>(id.size()),
                                       reinterpret_cast<const unsigned char*>(id.data())));
  }
  unsigned char length = 0;
  std::array<unsigned char, 96> id{};
  if (const int r = Tarn_GetMachineIDNum(s.port, &length, id.data()))
    return report("machine-id", r);
  std::printf("machine id (%u bytes): %.*s\n", length, length,
              reinterpret_cast<const char*>(id.data()));
  return 0;
}

int retain_count(Session& s, Args args) {
  need(args, 0, 1);
  if (!args.empty()) {
    if (args[0] != "clear") throw UsageError{"expected: retain-count [clear]"};
    return report("retain-count", Tarn_ClearRetainCount(s.port));
  }
  int count = 0;
  if (const int r = Tarn_ReadRetainCount(s.port, &count)) return report("retain-count", r);
  std::printf("retained cards: %d\n", count);
  return 0;
}

int one_result_byte(const char* what, int (*command)(TARN_HANDLE, unsigned char*), Session& s) {
  unsigned char result = 0;
  if (const int r = command(s.port, &result)) return report(what, r);
  std::printf("%s: %s\n", what, describe_byte(result).c_str());
  return 0;
}

int autotest(Session& s, Args args) {
  need(args, 1, 1);
  if (args[0] == "ic") return one_result_byte("ic self-test", Tarn_AutoTestICCard, s);
  if (args[0] == "rf") return one_result_byte("rf self-test", Tarn_AutoTestRFIDCard, s);
  throw UsageError{"expected: autotest ic|rf"};
}

int led(Session& s, Args args) {
  need(args, 2, 3);
  const bool first = args[0] == "1";
  if (!first && args[0] != "2") throw UsageError{"expected LED 1 or 2"};
  if (args[1] == "rate") {
    need(args, 3, 3);
    return report("led", Tarn_SetLedFlickerRate(s.port, first ? '5' : '6', byte_arg(args[2])));
  }
  need(args, 2, 2);
  const std::uint8_t pm = byte_arg(args[1]);
  return report("led", first ? Tarn_Led1Control(s.port, pm) : Tarn_Led2Control(s.port, pm));
}

int on_off(Args args) {
  need(args, 1, 1);
  if (args[0] != "on" && args[0] != "off") throw UsageError{"expected on or off"};
  return args[0] == "on";
}

int reset(Session& s, Args args) {
  need(args, 0, 1);
  std::array<unsigned char, 96> data{};
  if (const int r = Tarn_Reset(s.port, pm_or(args, 0, '0'), data.data())) return report("reset", r);
  std::printf("reader: %s\n", reinterpret_cast<const char*>(data.data()));
  return 0;
}

int version(Session&, Args args) {
  need(args, 0, 0);
  char text[20] = {};
  Tarn_GetSysVerion(nullptr, text);
  std::printf("%s\n", text);
  return 0;
}

const SubCommand kCommands[] = {
    {"version", "", "library version", version},
    {"reset", "[PM]", "reset the reader (PM \"0\" by default) and show its answer", reset},
    {"position", "", "card position character", position},
    {"sensors", "", "sensor states and voltages", sensors},
    {"enter", "[PM] [WAIT_MS]", "take a card in (PM \"1\", 30000 ms; 0 waits for ever)", enter},
    {"enter-untimed", "PM", "card entry with the ordinary reply wait",
     [](Session& s, Args a) {
       need(a, 1, 1);
       return report("enter-untimed", Tarn_EnterCardUntime(s.port, byte_arg(a[0])));
     }},
    {"move", "PM", "move the card (\"4\" ejects it to the gate)",
     [](Session& s, Args a) {
       need(a, 1, 1);
       return report("move", Tarn_MoveCard(s.port, byte_arg(a[0])));
     }},
    {"autotest", "ic|rf", "card self-test of the contact or contactless unit", autotest},
    {"power", "on|off", "contact card power",
     [](Session& s, Args a) {
       return report("power", on_off(a) ? Tarn_PowerOn(s.port) : Tarn_PowerOff(s.port));
     }},
    {"led", "1|2 PM | 1|2 rate RATE", "switch an LED or set its flicker rate", led},
    {"read-stripe", "[--raw] [PM]", "read the magnetic stripe (decoded; PM \"1\")", read_stripe},
    {"clear-stripe", "", "clear the reader's stored magnetic data",
     [](Session& s, Args a) {
       need(a, 0, 0);
       return report("clear-stripe", Tarn_ClearMagCardData(s.port));
     }},
    {"barcode", "", "read the barcode", barcode},
    {"machine-id", "[set TEXT]", "read or set the machine identity", machine_id},
    {"retain-count", "[clear]", "read or clear the retained-card counter", retain_count},
    {"ext-io", "on|off", "external I/O switch",
     [](Session& s, Args a) { return report("ext-io", Tarn_IccEnableExtIO(s.port, on_off(a))); }},
    {"set-baud", "RATE", "change the reader's baud rate (1200..115200)",
     [](Session& s, Args a) {
       need(a, 1, 1);
       return report("set-baud", Tarn_SetCommBaud(s.port, static_cast<int>(number_arg(a[0]))));
     }},
    {"eot", "", "send EOT and wait for the reader's EOT",
     [](Session& s, Args a) {
       need(a, 0, 0);
       return report("eot", Tarn_Eot(s.port));
     }},
    {"test-frame", "", "send the fixed test frame (no reply is read)",
     [](Session& s, Args a) {
       need(a, 0, 0);
       return report("test-frame", Tarn_TestCmd(s.port, 0));
     }},
};

}  // namespace

std::span<const SubCommand> reader_subcommands() {
  return kCommands;
}

}  // namespace tarn_tool

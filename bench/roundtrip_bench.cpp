// Costs of the card-reader library measured against baselines taken in the same run, on the same
// pseudo-terminal and the same virtual reader:
// - per command: the library against the same request bytes written and read directly on the
//   line (a short status query and a 264-byte page write), unpaced and paced at 115200 and 9600;
// - CPU time of the calling thread during every kind of wait, as a fraction of the wait;
// - the PBOC card-number and field-55 flows against their physical limit: the wire time of every
//   byte they exchange plus the pauses the flow must make.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "Tarn_DLL.h"
#include "readersim/virtual_reader.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<unsigned char>;
constexpr int kRounds = 7;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double cpu_seconds() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

readersim::Card card(const char* file) {
  return readersim::load_card(readersim::cards_dir() / file);
}

// Reads exactly n bytes, sleeping in poll() while none are there.
bool read_exactly(int fd, unsigned char* out, std::size_t n) {
  std::size_t got = 0;
  while (got < n) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 7000) <= 0) return false;
    const ssize_t r = read(fd, out + got, n - got);
    if (r <= 0) return false;
    got += static_cast<std::size_t>(r);
  }
  return true;
}

// The baseline: one conversation with the least a program must do on the line.
struct RawPort {
  int fd;
  explicit RawPort(const std::string& path) : fd(open(path.c_str(), O_RDWR | O_NOCTTY)) {
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
  }
  ~RawPort() { close(fd); }
  bool converse(const Bytes& frame) const {
    static const unsigned char enq = 0x05;
    unsigned char reply[1024];
    tcflush(fd, TCIOFLUSH);
    if (write(fd, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size()) ||
        !read_exactly(fd, reply, 1))
      return false;
    tcflush(fd, TCIOFLUSH);
    if (write(fd, &enq, 1) != 1 || !read_exactly(fd, reply, 3)) return false;
    return read_exactly(fd, reply + 3, (std::size_t{reply[1]} << 8 | reply[2]) + 2);
  }
};

struct Command {
  const char* name;
  const char* card;
  readersim::Position where;
  std::function<int(void*)> prepare;  // once, before the first command
  std::function<int(void*)> call;
};

// Seconds per command of the raw conversation and of the library, in alternating rounds so that
// both see the same machine load; the raw side replays the request the library sent. The ratio
// is the median of the rounds' own ratios: a burst of interference from outside spoils one round
// pair, not the figure.
void per_command(const Command& command, unsigned pace_baud, int commands) {
  readersim::VirtualReader reader({"", pace_baud});
  if (*command.card) reader.place_card(card(command.card), command.where);
  const std::string path = reader.slave_path();
  const unsigned baud = pace_baud ? pace_baud : 9600;
  void* port = Tarn_CommOpenWithBaud(path.c_str(), baud);
  if (command.prepare) command.prepare(port);
  reader.clear_recording();
  if (command.call(port) != TARN_OK) std::abort();
  Tarn_CommClose(port);
  Bytes frame = reader.received();
  frame.pop_back();  // the ENQ
  std::vector<double> raw, library, ratios;
  for (int round = 0; round < kRounds; ++round) {
    {
      RawPort line(path);
      const auto start = Clock::now();
      for (int i = 0; i < commands; ++i)
        if (!line.converse(frame)) std::abort();
      raw.push_back(seconds_since(start) / commands);
    }
    port = Tarn_CommOpenWithBaud(path.c_str(), baud);
    const auto start = Clock::now();
    for (int i = 0; i < commands; ++i)
      if (command.call(port) != TARN_OK) std::abort();
    library.push_back(seconds_since(start) / commands);
    ratios.push_back(library.back() / raw.back());
    Tarn_CommClose(port);
  }
  const std::string line = pace_baud ? std::to_string(pace_baud) + " baud" : "unpaced";
  std::printf("| %-18s | %-12s | %10.1f us | %10.1f us | %5.3f |\n", command.name, line.c_str(),
              median(raw) * 1e6, median(library) * 1e6, median(ratios));
}

// CPU time of this thread while `call` waits, against the wall time it took.
void wait_cpu(const char* name, const std::function<int()>& call) {
  const double cpu_start = cpu_seconds();
  const auto start = Clock::now();
  const int result = call();
  const double wall = seconds_since(start);
  const double cpu = cpu_seconds() - cpu_start;
  std::printf("| %-37s | %5d | %6.2f s | %8.4f s | %6.3f %% |\n", name, result, wall, cpu,
              100.0 * cpu / wall);
}

void waits() {
  std::printf("| wait | result | wall | CPU | CPU / wall |\n|---|---|---|---|---|\n");
  readersim::VirtualReader reader;
  void* port = Tarn_CommOpen(reader.slave_path().c_str());
  unsigned char out[600];
  int count = 0;
  reader.inject(readersim::Fault::Silence);
  wait_cpu("acknowledgement (silent reader)", [&] { return Tarn_CheckCardPosition(port, out); });
  reader.inject(readersim::Fault::AckThenSilence);
  wait_cpu("reply header (ACK, then silence)", [&] { return Tarn_CheckCardPosition(port, out); });
  reader.inject(readersim::Fault::AckThenSilence);
  wait_cpu("short reply header (stripe read)",
           [&] { return Tarn_ReadMagcardDecode(port, '1', &count, out); });
  wait_cpu("card entry (2 s, no card, EOT)", [&] { return Tarn_EnterCard(port, '1', 2000); });
  std::thread customer([&] {
    reader.wait_for_entry(std::chrono::seconds(5));
    std::this_thread::sleep_for(std::chrono::seconds(2));
    reader.insert_card(readersim::default_bank_card());
  });
  wait_cpu("card entry (no limit, card after 2 s)", [&] { return Tarn_EnterCard(port, '1', 0); });
  customer.join();
  Tarn_CommClose(port);
  int master = -1, slave = -1;
  char name[128];
  openpty(&master, &slave, name, nullptr, nullptr);
  port = Tarn_CommOpenWithBaud(name, 9600);
  wait_cpu("EOT answer (nobody on the line)", [&] { return Tarn_Eot(port); });
  Tarn_CommClose(port);
  close(slave);
  close(master);
}

// Wire time of every byte on the line at `baud` plus the flow's own pauses: 50 ms after the
// contact cold reset and after each application record read (READ RECORD after GET PROCESSING
// OPTIONS).
double physical_limit(const readersim::VirtualReader& reader, unsigned baud) {
  const double bytes = static_cast<double>(reader.received().size() + reader.sent().size());
  double pauses = 0;
  bool after_gpo = false;
  for (const auto& request : reader.requests()) {
    if (request.cm == '9' && request.pm == '0') pauses += 0.050;
    if (request.cm != '9' || request.pm != '3' || request.data.size() < 4) continue;
    const unsigned char ins = request.data[3];
    if (ins == 0xA8) after_gpo = true;
    if (ins == 0xB2 && after_gpo) pauses += 0.050;
  }
  return bytes * 10.0 / baud + pauses;
}

void pboc_flow(const char* name, unsigned baud, const std::function<int(void*)>& flow) {
  std::vector<double> ratios, walls, limits;
  for (int round = 0; round < kRounds; ++round) {
    readersim::VirtualReader reader({"", baud});
    reader.place_card(card("pboc_debit_card.json"), readersim::Position::IcContacts);
    void* port = Tarn_CommOpenWithBaud(reader.slave_path().c_str(), baud);
    const auto start = Clock::now();
    if (flow(port) != 0) std::abort();
    const double wall = seconds_since(start);
    Tarn_CommClose(port);
    const double limit = physical_limit(reader, baud);
    walls.push_back(wall);
    limits.push_back(limit);
    ratios.push_back(wall / limit);
  }
  // On a shared machine interference only ever adds time: the fastest round shows the flow's own
  // cost, the median what a caller sees.
  std::printf("| %-12s | %6u baud | %8.1f ms | %8.1f ms | %8.1f ms | %5.3f | %5.3f |\n", name, baud,
              median(walls) * 1e3, *std::min_element(walls.begin(), walls.end()) * 1e3,
              median(limits) * 1e3, median(ratios),
              *std::min_element(ratios.begin(), ratios.end()));
}

void command_table() {
  const Bytes page(264, 0x5A);
  const Command commands[] = {
      {"status query",
       "",
       readersim::Position::Empty,
       {},
       [](void* p) {
         unsigned char position = 0;
         return Tarn_CheckCardPosition(p, &position);
       }},
      {"264-byte page write", "at45db041_card.json", readersim::Position::IcContacts,
       Tarn_AT45DB041Reset, [&](void* p) { return Tarn_AT45DB041Write(p, 1, page.data()); }},
  };
  std::printf("| command | line | raw baseline | library | ratio |\n|---|---|---|---|---|\n");
  for (const auto& command : commands) {
    per_command(command, 0, 300);
    per_command(command, 115200, 40);
    per_command(command, 9600, 8);
  }
}

void flow_table() {
  std::printf(
      "| flow | line | wall (median) | wall (fastest) | physical limit | ratio (median) | ratio "
      "(fastest) |\n|---|---|---|---|---|---|---|\n");
  for (unsigned baud : {115200u, 9600u}) {
    pboc_flow("card number", baud, [](void* p) {
      int length = 0;
      unsigned char track2[64];
      return Tarn_ReadICCardNum(p, &length, track2);
    });
    pboc_flow("field 55", baud, [](void* p) {
      const unsigned char amount[6] = {0, 0, 0, 0, 1, 0};
      unsigned char pan_sequence = 0, track2[64], field55[256];
      int track2_length = 0, field55_length = 0;
      return Tarn_PBOCGet55FieldData(p, 0, amount, &pan_sequence, track2, &track2_length, field55,
                                     &field55_length);
    });
  }
}

}  // namespace

// roundtrip_bench [commands|waits|flows]: one table, or all three.
int main(int argc, char** argv) {
  if (!std::getenv("TARN_DRIVE_D")) setenv("TARN_DRIVE_D", "/nonexistent-drive-d", 1);
  const std::pair<const char*, void (*)()> tables[] = {
      {"commands", command_table}, {"waits", waits}, {"flows", flow_table}};
  const std::string only = argc > 1 ? argv[1] : "";
  int printed = 0;
  for (const auto& [name, table] : tables) {
    if (!only.empty() && only != name) continue;
    if (printed++ > 0) std::printf("\n");
    table();
  }
  if (printed == 0) std::fprintf(stderr, "usage: roundtrip_bench [commands|waits|flows]\n");
  return printed > 0 ? 0 : 2;
}

// Endurance: many mixed commands over two ports and four threads, and a reader unplugged and
// plugged back in while commands run. The number of commands comes from TARN_SOAK_COMMANDS
// (default small, for every test run; scripts/soak runs 100 000).
#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "Tarn_DLL.h"
#include "readersim/virtual_reader.h"

namespace {

using namespace std::chrono_literals;

// Under AddressSanitizer freed memory waits in a quarantine, so resident memory grows by design;
// LeakSanitizer checks that build for leaks instead.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kResidentMemoryIsMeaningful = false;
#else
constexpr bool kResidentMemoryIsMeaningful = true;
#endif

long soak_commands() {
  const char* text = std::getenv("TARN_SOAK_COMMANDS");
  return text ? std::atol(text) : 4000;
}

std::size_t open_descriptors() {
  std::size_t count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir)) ++count;
    closedir(dir);
  }
  return count;
}

// A memory figure of this process in KiB: "VmRSS:" now, "VmHWM:" the peak.
long memory_kib(const std::string& wanted = "VmRSS:") {
  std::ifstream status("/proc/self/status");
  std::string key;
  long value = 0;
  while (status >> key) {
    if (key == wanted) {
      status >> value;
      return value;
    }
    status.ignore(256, '\n');
  }
  return 0;
}

// One of the reader's commands, chosen by `i`; true when it gave the expected result.
bool mixed_command(void* port, long i) {
  std::array<unsigned char, 512> out{};
  int count = 0;
  unsigned char length = 0;
  switch (i % 6) {
    case 0:
      return Tarn_CheckCardPosition(port, out.data()) == TARN_OK && out[0] == '1';
    case 1:
      return Tarn_CheckSensorStates(port, out.data()) == TARN_OK;
    case 2:
      return Tarn_ReadMagcardDecode(port, '1', &count, out.data()) == TARN_OK && count > 2;
    case 3:
      return Tarn_GetMachineIDNum(port, &length, out.data()) == TARN_OK;
    case 4:
      return Tarn_Led1Control(port, '1') == TARN_OK;
    default:
      return Tarn_ReadRetainCount(port, &count) == TARN_OK;
  }
}

TEST(Soak, MixedCommandsOverTwoPortsAndFourThreads) {
  // The readers keep counts only, so that the process's memory is the library's.
  readersim::ReaderOptions counts_only;
  counts_only.record = false;
  readersim::VirtualReader readers[2]{readersim::VirtualReader(counts_only),
                                      readersim::VirtualReader(counts_only)};
  void* ports[2];
  for (int p = 0; p < 2; ++p) {
    readers[p].place_card(readersim::default_bank_card(), readersim::Position::ReadHead);
    ports[p] = Tarn_CommOpen(readers[p].slave_path().c_str());
    ASSERT_NE(ports[p], nullptr);
  }
  const long per_thread = soak_commands() / 4;
  std::atomic<long> unexpected{0};
  std::atomic<long> done{0};
  long rss_after_warmup = 0;
  std::size_t fds_after_warmup = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (long i = 0; i < per_thread; ++i) {
        if (!mixed_command(ports[t % 2], i + t)) ++unexpected;
        ++done;
      }
    });
  while (done < soak_commands() / 10) std::this_thread::sleep_for(10ms);
  rss_after_warmup = memory_kib();
  fds_after_warmup = open_descriptors();
  for (auto& thread : threads) thread.join();

  EXPECT_EQ(unexpected.load(), 0);
  for (auto& reader : readers) EXPECT_EQ(reader.protocol_errors(), 0u);
  EXPECT_LE(open_descriptors(), fds_after_warmup);
  if (kResidentMemoryIsMeaningful) {
    EXPECT_LT(memory_kib(), rss_after_warmup + 2 * 1024) << "resident memory grew by over 2 MiB";
  }
  for (void* port : ports) EXPECT_EQ(Tarn_CommClose(port), TARN_OK);
  const long peak = memory_kib("VmHWM:");
  std::printf(
      "soak: %ld commands; resident memory after the first tenth %ld KiB, at the end %ld "
      "KiB, peak %ld KiB; peak / first tenth %.3f\n",
      4 * per_thread, rss_after_warmup, memory_kib(), peak,
      static_cast<double>(peak) / static_cast<double>(rss_after_warmup));
}

// A command loop that, like a kiosk application, closes and reopens its port after a failure.
TEST(Soak, UnpluggedReaderGivesErrorsThenRecoversAfterReopening) {
  const std::string link = "/tmp/tarn-soak-reader-" + std::to_string(::getpid());
  readersim::VirtualReader reader({link, 0});
  reader.place_card(readersim::default_bank_card(), readersim::Position::ReadHead);
  std::atomic<bool> stop{false};
  std::atomic<long> failures{0}, successes_after_replug{0};
  std::atomic<bool> replugged{false};
  std::thread worker([&] {
    void* port = Tarn_CommOpen(link.c_str());
    for (long i = 0; !stop; ++i) {
      unsigned char position = 0;
      if (port && Tarn_CheckCardPosition(port, &position) == TARN_OK) {
        if (replugged) ++successes_after_replug;
        continue;
      }
      ++failures;
      if (port) Tarn_CommClose(port);
      std::this_thread::sleep_for(20ms);
      port = Tarn_CommOpen(link.c_str());
    }
    if (port) Tarn_CommClose(port);
  });
  std::this_thread::sleep_for(300ms);
  reader.disconnect();
  std::this_thread::sleep_for(500ms);
  reader.reconnect();
  replugged = true;
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (successes_after_replug < 50 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(20ms);
  stop = true;
  worker.join();
  ::unlink(link.c_str());
  EXPECT_GT(failures.load(), 0);
  EXPECT_GE(successes_after_replug.load(), 50);
}

}  // namespace

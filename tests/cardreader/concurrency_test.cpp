// Threads on two ports: one conversation on the wire at a time in the whole process, frames never
// interleaved on a shared port, no deadlock.
#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "wire_fixture.h"

namespace tarn_test {
namespace {

TEST(Concurrency, ConversationsNeverOverlapAcrossPortsOrInterleaveOnOne) {
  constexpr int kThreadsPerPort = 2;
  constexpr int kCommandsPerThread = 600;
  readersim::VirtualReader readers[2];
  void* ports[2] = {Tarn_CommOpen(readers[0].slave_path().c_str()),
                    Tarn_CommOpen(readers[1].slave_path().c_str())};
  ASSERT_NE(ports[0], nullptr);
  ASSERT_NE(ports[1], nullptr);
  readers[1].place_card(readersim::default_bank_card(), readersim::Position::ReadHead);

  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 2 * kThreadsPerPort; ++t) {
    threads.emplace_back([&, port = ports[t % 2], t] {
      for (int i = 0; i < kCommandsPerThread; ++i) {
        unsigned char states[7];
        unsigned char position = 0;
        const int r = (i + t) % 2 ? Tarn_CheckSensorStates(port, states)
                                  : Tarn_CheckCardPosition(port, &position);
        if (r != TARN_OK) ++failures;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);

  std::vector<readersim::Conversation> all;
  for (auto& reader : readers) {
    EXPECT_EQ(reader.protocol_errors(), 0u);
    const auto conversations = reader.conversations();
    EXPECT_EQ(conversations.size(), static_cast<std::size_t>(kThreadsPerPort * kCommandsPerThread));
    all.insert(all.end(), conversations.begin(), conversations.end());
  }
  std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.start < b.start; });
  int overlaps = 0;
  for (std::size_t i = 1; i < all.size(); ++i)
    if (all[i].start < all[i - 1].end) ++overlaps;
  EXPECT_EQ(overlaps, 0);
  for (void* port : ports) Tarn_CommClose(port);
}

}  // namespace
}  // namespace tarn_test

#include "sim_reader.h"

#include <chrono>
#include <cstdio>

namespace corvi_tool {
namespace {

using std::chrono::milliseconds;

// How long the customer takes to put the card in once the reader asks for it.
constexpr milliseconds kCustomerDelay{500};
constexpr milliseconds kLookAgain{100};

}  // namespace

SimReader::SimReader(readersim::Card card, bool inside) : card_(std::move(card)) {
  if (inside) {
    reader_.place_card(card_, readersim::Position::ReadHead);
  } else {
    customer_ = std::jthread([this](std::stop_token stop) { customer(stop); });
  }
}

void SimReader::customer(std::stop_token stop) {
  while (!stop.stop_requested()) {
    if (!reader_.wait_for_entry(kLookAgain)) continue;
    std::this_thread::sleep_for(kCustomerDelay);
    std::printf("   [virtual reader] the customer inserts a card\n");
    std::fflush(stdout);
    reader_.insert_card(card_);
    return;
  }
}

}  // namespace corvi_tool

// A fresh kernel for each test: zeroed transaction context, a fixed clock (2021-03-04 10:05:03),
// recorded instead of slept pauses, and the PBOC test card registered as the bridge does.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "context.h"
#include "environment.h"
#include "test_card.h"

namespace ferro_test {

class KernelTest : public ::testing::Test {
 protected:
  static constexpr std::int64_t kSeconds = 1614852303;

  void SetUp() override {
    ferro::pboc_context = {};
    pauses().clear();
    ferro::set_environment({fixed_time, fixed_seconds, record_pause});
    pboc_card::load(card);
    card.install();
    card.trace.clear();
  }

  void TearDown() override {
    for (const char* name : {"pboc_writelog", "pboc_poweron", "pboc_poweroff", "pboc_apdu"}) {
      pboc_setcallback(name, nullptr);
    }
    ferro::set_environment(ferro::system_environment());
  }

  static std::vector<int>& pauses() {
    static std::vector<int> recorded;
    return recorded;
  }

  // Trace texts in order, optionally only those of one step.
  std::vector<std::string> trace_texts(const std::string& func = {}) const {
    std::vector<std::string> texts;
    for (const TraceLine& line : card.trace) {
      if (func.empty() || line.func == func) texts.push_back(line.text);
    }
    return texts;
  }

  TestCard card;

 private:
  static ferro::LocalTime fixed_time() { return {2021, 3, 4, 10, 5, 3}; }
  static std::int64_t fixed_seconds() { return kSeconds; }
  static void record_pause(int milliseconds) { pauses().push_back(milliseconds); }
};

}  // namespace ferro_test

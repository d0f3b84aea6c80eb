// Card files that must be refused: each case names the file's fault, and the test (in
// card_test.cpp) checks that the error names the file and says what is wrong.
#pragma once

#include <gtest/gtest.h>

#include <ostream>

namespace readersim_test {

struct BadCard {
  const char* name;
  const char* json;
  const char* message;  // part of the error message
};

inline void PrintTo(const BadCard& c, std::ostream* os) {
  *os << c.name;
}

class BadCardFile : public ::testing::TestWithParam<BadCard> {};

}  // namespace readersim_test

// The wire fixture with a card from the shipped card files held where a test wants it.
#pragma once

#include "readersim/card.h"
#include "wire_fixture.h"

namespace tarn_test {

class CardTest : public WireTest {
 protected:
  void hold(const char* file, readersim::Position where) {
    reader_.place_card(readersim::load_card(readersim::cards_dir() / file), where);
  }
};

}  // namespace tarn_test

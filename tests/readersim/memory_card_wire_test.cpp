// Memory-card, Mifare and ISO 15693 commands byte by byte: malformed requests get error "2",
// never a crash; tag errors carry their code after the error byte.
#include <gtest/gtest.h>

#include <functional>

#include "readersim/virtual_reader.h"
#include "slave_line.h"

namespace readersim_test {
namespace {

using readersim::Position;
using readersim::ReaderState;
using readersim::VirtualReader;

struct Case {
  const char* name;
  const char* card;  // card file
  bool powered;      // contact power on, as after a reset
  std::uint8_t cm;
  std::uint8_t pm;
  Bytes data;
  Bytes reply;  // status byte, then the reply data
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

class ChipRequest : public ::testing::TestWithParam<Case> {
 protected:
  VirtualReader reader_;
  SlaveLine line_{reader_.slave_path()};
};

// The card goes where its chip is reached; a Mifare card starts selected.
TEST_P(ChipRequest, IsAnswered) {
  const Case& c = GetParam();
  readersim::Card card = readersim::load_card(readersim::cards_dir() / c.card);
  const bool contactless = card.mifare || card.iso15693;
  if (card.mifare) card.mifare->selected = true;
  reader_.place_card(card, contactless ? Position::RfField : Position::IcContacts);
  reader_.update_state([&](ReaderState& s) { s.contact_power = c.powered; });
  EXPECT_EQ(line_.ask(c.cm, c.pm, c.data), c.reply);
}

const Bytes kN2{'N', '2'};

INSTANTIATE_TEST_SUITE_P(
    MemoryChips, ChipRequest,
    ::testing::Values(
        Case{
            "Sle4442WriteCountMismatch", "sle4442_card.json", true, 'C', '5', {0x40, 3, 1, 2}, kN2},
        Case{"Sle4442ReadShort", "sle4442_card.json", true, 'C', '2', {0x40}, kN2},
        Case{"Sle4442ResetWithData", "sle4442_card.json", false, 'C', '0', {1}, kN2},
        Case{"Sle4442UnknownPm", "sle4442_card.json", true, 'C', '9', {}, {'N', '1'}},
        Case{"Sle4428ReadPastTheEnd",
             "sle4428_card.json",
             true,
             'D',
             '2',
             {0x03, 0xFF, 2},
             {'N', '>'}},
        Case{"At24cUnknownType", "at24c02_card.json", false, '>', '0', {3, 1, 0, 0}, kN2},
        Case{"At24cNoPowerNeeded",
             "at24c02_card.json",
             false,
             '>',
             '0',
             {2, 2, 0, 0x10},
             {'P', '1', '2'}},
        Case{"At45ShortPage", "at45db041_card.json", true, '?', '2', {0, 1, 0xAA}, kN2},
        Case{"At88sc102UnknownKey", "at88sc102_card.json", true, '@', '7', {'3', 1, 2}, kN2},
        Case{"At88sc102ShortKey", "at88sc102_card.json", true, '@', '7', {'1', 1, 2}, kN2},
        Case{"At88sc1604UnknownSelector",
             "at88sc1604_card.json",
             true,
             'A',
             '1',
             {'9', 0x11, 0x11},
             kN2},
        Case{"At88sc1608NoSuchZone", "at88sc1608_card.json", true, 'B', '2', {9, 0, 1}, {'N', '>'}},
        Case{"UltraLightShortWrite", "mifare_ul_card.json", false, '=', '3', {5, 1, 2, 3}, kN2},
        Case{"UltraLightPage16", "mifare_ul_card.json", false, '=', '2', {16}, {'N', '>'}},
        Case{"S50DetectWithData", "mifare_s50_card.json", false, ';', '0', {1}, kN2},
        Case{"S50ShortKey", "mifare_s50_card.json", false, ';', '2', {'A', 1, 0xA0, 0xA1}, kN2},
        Case{"S50UnknownKeyType",
             "mifare_s50_card.json",
             false,
             ';',
             '2',
             {'C', 1, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5},
             kN2},
        Case{"S50OnAnS70Card", "mifare_s70_card.json", false, ';', '0', {}, {'N', '7'}},
        Case{"S70BlockCode160", "mifare_s70_card.json", false, '<', '3', {0xA0}, {'N', '>'}},
        Case{"TagGetUidWithData", "iso15693_tag.json", false, 'H', '0', {2}, kN2},
        Case{"TagNoFlags", "iso15693_tag.json", false, 'H', '1', {}, kN2},
        Case{"TagShortUid", "iso15693_tag.json", false, 'H', '3', {0x22, 0xE0, 0x04}, kN2},
        Case{"TagInventoryFlag", "iso15693_tag.json", false, 'H', '3', {0x06}, kN2},
        Case{"TagSelectAndAddress",
             "iso15693_tag.json",
             false,
             'H',
             '3',
             {0x32, 0xE0, 0x04, 0x01, 0x00, 0x12, 0x34, 0x56, 0x78},
             kN2},
        Case{"TagNotSelected", "iso15693_tag.json", false, 'H', '4', {0x12}, {'N', 0x00}},
        Case{
            "TagWriteCountMismatch", "iso15693_tag.json", false, 'H', '2', {0x02, 0, 2, 1, 2}, kN2},
        Case{"TagBlockOutside",
             "iso15693_tag.json",
             false,
             'H',
             '1',
             {0x02, 27, 2},
             {'N', 0x01, 0x10}},
        Case{"TagUnusedPm", "iso15693_tag.json", false, 'H', '8', {0x02}, {'N', '1'}}));

}  // namespace
}  // namespace readersim_test

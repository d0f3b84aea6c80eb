// Card files of memory cards, Mifare cards and ISO 15693 tags: the shipped ones, factory
// defaults, and clear errors for what a file gets wrong.
#include <gtest/gtest.h>

#include <variant>

#include "bad_card_file.h"
#include "readersim/card.h"

namespace readersim_test {
namespace {

using readersim::load_card;

TEST(MemoryCardFile, ShippedCardsLoadWithTheirChips) {
  const auto dir = readersim::cards_dir();
  for (const char* file :
       {"sle4442_card.json", "sle4428_card.json", "at24c02_card.json", "at45db041_card.json",
        "at88sc102_card.json", "at88sc1604_card.json", "at88sc1608_card.json"})
    EXPECT_TRUE(load_card(dir / file).memory) << file;
  EXPECT_EQ(load_card(dir / "mifare_s50_card.json").mifare->memory.size(), 1024u);
  EXPECT_EQ(load_card(dir / "mifare_s70_card.json").mifare->memory.size(), 4096u);
  EXPECT_EQ(load_card(dir / "mifare_ul_card.json").mifare->memory.size(), 64u);
  EXPECT_EQ(load_card(dir / "iso15693_tag.json").iso15693->memory.size(), 28u * 4);
}

TEST(MemoryCardFile, ChipsLeaveTheFactoryErasedWithTransportPasswords) {
  const readersim::Card card =
      readersim::parse_card(R"({"memory": {"chip": "SLE4442", "data": {"0x10": "01 02"}}})");
  const auto& chip = std::get<readersim::Sle4442Chip>(card.memory->chip);
  EXPECT_EQ(chip.memory.size(), 256u);
  EXPECT_EQ(chip.memory[0x0F], 0xFF);
  EXPECT_EQ(chip.memory[0x10], 0x01);
  EXPECT_EQ(chip.memory[0x11], 0x02);
  EXPECT_EQ(chip.psc.value, readersim::Bytes({0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(chip.psc.attempts, 3);
  EXPECT_EQ(chip.writable, readersim::Bytes(32, 1));

  const auto at24 = readersim::parse_card(R"({"memory": {"chip": "AT24C16"}})");
  EXPECT_EQ(std::get<readersim::At24cChip>(at24.memory->chip).memory.size(), 2048u);
  const auto s50 = readersim::parse_card(R"({"mifare": {"type": "S50", "uid": "01020304"}})");
  const readersim::Bytes trailer(s50.mifare->memory.begin() + 48, s50.mifare->memory.begin() + 64);
  EXPECT_EQ(trailer, readersim::Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x07, 0x80, 0x69,
                                       0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(s50.mifare->memory[4], 0x01 ^ 0x02 ^ 0x03 ^ 0x04);
}

INSTANTIATE_TEST_SUITE_P(
    MemoryCards, BadCardFile,
    ::testing::Values(
        BadCard{"NoChip", R"({"memory": {}})", "with a \"chip\""},
        BadCard{"UnknownChip", R"({"memory": {"chip": "SLE5542"}})", "is none of"},
        BadCard{"UnknownKey", R"({"memory": {"chip": "SLE4442", "pin": "FFFFFF"}})",
                "unknown key \"pin\""},
        BadCard{"KeyOfAnotherChip", R"({"memory": {"chip": "AT24C02", "psc": "FFFFFF"}})",
                "unknown key \"psc\""},
        BadCard{"NotHex", R"({"memory": {"chip": "SLE4442", "data": "12G4"}})", "is not hex"},
        BadCard{"DataTooLong", R"({"memory": {"chip": "AT24C01", "data": {"127": "0102"}}})",
                "does not fit the chip's 128 bytes"},
        BadCard{"BadStart", R"({"memory": {"chip": "AT24C01", "data": {"x1": "01"}}})",
                "\"x1\" is not a number"},
        BadCard{"ShortPsc", R"({"memory": {"chip": "SLE4442", "psc": "FFFF"}})",
                "psc must hold 3 bytes"},
        BadCard{"TooManyAttempts", R"({"memory": {"chip": "SLE4442", "attempts": 4}})",
                "attempts must be a number from 0 to 3"},
        BadCard{"ProtectedOutside", R"({"memory": {"chip": "SLE4442", "protected": [32]}})",
                "protected holds numbers from 0 to 31"},
        BadCard{"PasswordCount", R"({"memory": {"chip": "AT88SC1604", "passwords": ["FFFF"]}})",
                "array of 5 passwords"},
        BadCard{"MifareType", R"({"mifare": {"type": "S60", "uid": "01020304"}})",
                "\"S50\", \"S70\" or \"UL\""},
        BadCard{"MifareTypeNotText", R"({"mifare": {"type": {"S50": 1}}})",
                "\"S50\", \"S70\" or \"UL\""},
        BadCard{"MifareUid", R"({"mifare": {"type": "UL", "uid": "01020304"}})",
                "uid must hold 7 bytes"},
        BadCard{"AccessBits",
                R"({"mifare": {"type": "S50", "uid": "01020304",
                    "blocks": {"3": "FFFFFFFFFFFF FFFFFF69 FFFFFFFFFFFF"}}})",
                "access bits of sector 0"},
        BadCard{"UltraLightUidPages",
                R"({"mifare": {"type": "UL", "uid": "04112233445566", "pages": {"0": "00"}}})",
                "pages start at page 3"},
        BadCard{"TagUid", R"({"iso15693": {"uid": "0004010012345678"}})", "uid must start with E0"},
        BadCard{"TagBlocks", R"({"iso15693": {"uid": "E004010012345678", "blocks": 0}})",
                "blocks must be a number from 1 to 256"},
        BadCard{"TagLocks",
                R"({"iso15693": {"uid": "E004010012345678", "blocks": 4, "locked_blocks": [4]}})",
                "locked_blocks holds numbers from 0 to 3"}));

}  // namespace
}  // namespace readersim_test

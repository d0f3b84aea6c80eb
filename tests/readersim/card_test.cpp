// Card files: the shipped cards, and clear errors for everything a card file gets wrong.
#include <gtest/gtest.h>

#include "bad_card_file.h"
#include "readersim/card.h"

namespace readersim_test {

TEST_P(BadCardFile, IsRefusedWithAClearMessage) {
  try {
    readersim::parse_card(GetParam().json, "x.json");
    ADD_FAILURE() << "accepted";
  } catch (const readersim::CardError& e) {
    EXPECT_NE(std::string(e.what()).find("x.json: "), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find(GetParam().message), std::string::npos) << e.what();
  }
}

namespace {

using readersim::CardError;

TEST(CardFile, ShippedBankCardIsTheBuiltInOne) {
  readersim::Card card = readersim::load_card(readersim::cards_dir() / "bank_card.json");
  EXPECT_EQ(card, readersim::default_bank_card());
  EXPECT_TRUE(card.tracks[0].empty());
  EXPECT_EQ(card.tracks[1].substr(0, 20), "6212340000000000012=");
}

TEST(CardFile, ShippedThreeTrackCardHasEverything) {
  readersim::Card card = readersim::load_card(readersim::cards_dir() / "three_track_card.json");
  for (const std::string& track : card.tracks) EXPECT_FALSE(track.empty());
  EXPECT_EQ(card.barcode, "TEST0001");
}

TEST(CardFile, EveryKeyIsOptional) {
  EXPECT_EQ(readersim::parse_card("{}"), readersim::Card{});
}

INSTANTIATE_TEST_SUITE_P(
    Cards, BadCardFile,
    ::testing::Values(
        BadCard{"NotJson", "{\"name\": ", "not valid JSON"},
        BadCard{"NotAnObject", "[1, 2]", "one JSON object"},
        BadCard{"UnknownKey", "{\"magentic\": {}}", "unknown key \"magentic\""},
        BadCard{"UnknownTrack", "{\"magnetic\": {\"track4\": \"1\"}}", "unknown key \"track4\""},
        BadCard{"TrackNotString", "{\"magnetic\": {\"track2\": 12}}",
                "\"track2\" must be a string"},
        BadCard{"MagneticNotObject", "{\"magnetic\": \"123\"}", "must be an object"},
        BadCard{"LetterOnTrackTwo", "{\"magnetic\": {\"track2\": \"12A4\"}}", "character 'A'"},
        BadCard{"SentinelInTrack", "{\"magnetic\": {\"track3\": \"12?4\"}}", "character '?'"},
        BadCard{"LowerCaseOnTrackOne", "{\"magnetic\": {\"track1\": \"Bname\"}}", "character 'n'"},
        BadCard{"TrackTwoTooLong",
                "{\"magnetic\": {\"track2\": \"11111111112222222222333333333344444444\"}}",
                "at most 37"},
        BadCard{"BarcodeTooLong", "{\"barcode\": \"12345678901234567\"}", "at most 16"},
        BadCard{"BarcodeNotPrintable", "{\"barcode\": \"A\\u0001\"}", "printable ASCII"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CardFile, MissingFileNamesThePath) {
  EXPECT_THROW(
      {
        try {
          readersim::load_card("/nonexistent/card.json");
        } catch (const CardError& e) {
          EXPECT_NE(std::string(e.what()).find("/nonexistent/card.json"), std::string::npos);
          throw;
        }
      },
      CardError);
}

}  // namespace
}  // namespace readersim_test

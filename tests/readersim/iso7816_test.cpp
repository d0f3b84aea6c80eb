// The virtual chips' ISO 7816-4 engine on the shipped card files and on small chips of its own,
// and the chip parts of card files.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "hex_bytes.h"
#include "readersim/card.h"

namespace readersim_test {
namespace {

using readersim::Bytes;
using readersim::Chip;
using readersim::ChipSession;

using test_support::hex;

Bytes tail(const Bytes& response) {
  return Bytes(response.end() - 2, response.end());
}

class ChipTest : public ::testing::Test {
 protected:
  void use(const char* file, std::optional<Chip> readersim::Card::*which) {
    chip_ = *(readersim::load_card(readersim::cards_dir() / file).*which);
    session_ = {};
    session_.powered = true;
  }
  Bytes send(const std::string& apdu) { return readersim::answer_apdu(chip_, session_, hex(apdu)); }

  Chip chip_;
  ChipSession session_;
};

TEST_F(ChipTest, DebitCardAnswersTheApplicationStart) {
  use("pboc_debit_card.json", &readersim::Card::contact);
  const Bytes pse = send("00 A4 04 00 0E 315041592E5359532E4444463031");
  EXPECT_EQ(Bytes(pse.begin(), pse.begin() + 4), hex("6F 1C 84 0E"));
  EXPECT_EQ(tail(pse), hex("90 00"));
  const Bytes directory = send("00 B2 01 0C 00");
  EXPECT_EQ(Bytes(directory.begin() + 4, directory.begin() + 14), hex("4F 08 A000000333010101"));
  const Bytes app = send("00 A4 04 00 08 A000000333010101 00");
  const Bytes pdol = hex("9F 38 09");
  EXPECT_NE(std::search(app.begin(), app.end(), pdol.begin(), pdol.end()), app.end());
  EXPECT_EQ(send("80 A8 00 00 0B 83 09 01 00 00 00 00 04 00 01 56"),
            hex("80 0A 7C 00 08 01 01 00 10 01 02 01 90 00"));
  const Bytes track2 = send("00 B2 01 0C 00");
  EXPECT_EQ(Bytes(track2.begin(), track2.begin() + 14),
            hex("70 27 57 13 62 12 34 00 00 00 00 00 01 2D"));
  EXPECT_EQ(tail(send("00 B2 02 14 00")), hex("90 00"));
}

TEST_F(ChipTest, SocialSecurityCardServesItsRecords) {
  use("social_security_card.json", &readersim::Card::contact);
  EXPECT_EQ(send("00 A4 04 00 0F 7378312E73682EC9E7BBE1B1A3D5CF"), hex("90 00"));
  EXPECT_EQ(send("00 A4 02 00 02 EF 06"), hex("90 00"));
  EXPECT_EQ(send("00 B2 03 04 03"), hex("0A 01 31 90 00"));
  const Bytes all = send("00 B2 01 05");
  ASSERT_EQ(all.size(), 71u);
  EXPECT_EQ(all[0], 0x08);
  EXPECT_EQ(all[20], 0x09);
  EXPECT_EQ(all[52], 0x0A);
  EXPECT_EQ(all[63], 0x0D);
  EXPECT_EQ(send("00 A4 00 00 02 EF 05"), hex("90 00"));
  EXPECT_EQ(send("00 B2 07 04 0B"), hex("07 09 58 30 30 30 30 30 30 30 31 90 00"));
}

struct StatusCase {
  const char* name;
  const char* apdu;
  const char* status;
};

void PrintTo(const StatusCase& c, std::ostream* os) {
  *os << c.name;
}

class ChipStatus : public ChipTest, public ::testing::WithParamInterface<StatusCase> {};

// Each case starts from the debit application selected.
TEST_P(ChipStatus, AnswersAsACardWould) {
  use("pboc_debit_card.json", &readersim::Card::contact);
  ASSERT_EQ(tail(send("00 A4 04 00 08 A000000333010101")), hex("90 00"));
  EXPECT_EQ(tail(send(GetParam().apdu)), hex(GetParam().status));
}

INSTANTIATE_TEST_SUITE_P(
    Chips, ChipStatus,
    ::testing::Values(StatusCase{"UnknownName", "00 A4 04 00 05 A000000999", "6A 82"},
                      StatusCase{"UnknownFile", "00 A4 02 00 02 EF 09", "6A 82"},
                      StatusCase{"UnknownSfi", "00 B2 01 1C 00", "6A 82"},
                      StatusCase{"RecordBeyondTheLast", "00 B2 03 0C 00", "6A 83"},
                      StatusCase{"NoCurrentFile", "00 B2 01 04 00", "69 86"},
                      StatusCase{"NothingToGetResponse", "00 C0 00 00 10", "69 85"},
                      StatusCase{"UnknownInstruction", "00 20 00 00 00", "6D 00"},
                      StatusCase{"ProprietaryClassOnSelect", "80 A4 04 00 02 A000", "6E 00"},
                      StatusCase{"LcBeyondTheData", "00 A4 04 00 09 A000000333010101", "67 00"},
                      StatusCase{"WrongLe", "00 B2 01 0C 05", "6C 29"},
                      StatusCase{"UnsupportedReadMode", "00 B2 01 0E 00", "6A 86"},
                      StatusCase{"TooShort", "00 A4 04", "67 00"}));

TEST_F(ChipTest, ProprietaryCommandsNeedTheirApplication) {
  use("pboc_debit_card.json", &readersim::Card::contact);
  EXPECT_EQ(send("80 A8 00 00 02 83 00 00"), hex("69 85"));
  EXPECT_EQ(tail(send("00 A4 04 00 05 A000000333")), hex("90 00"));  // partial name
  EXPECT_EQ(tail(send("80 A8 00 00 02 83 00 00")), hex("90 00"));
  EXPECT_EQ(send("00 A4 00 00 02 3F 00"), hex("90 00"));  // back to the MF
  EXPECT_EQ(send("80 A8 00 00 02 83 00 00"), hex("69 85"));
}

TEST_F(ChipTest, SamAnswersInItsMasterFile) {
  use("test_sam.json", &readersim::Card::sam);
  EXPECT_EQ(chip_.protocol, 1);
  EXPECT_EQ(send("00 84 00 00 08"), hex("11 22 33 44 55 66 77 88 90 00"));
  EXPECT_EQ(send("00 B2 01 B4 06"), hex("99 00 00 00 00 01 90 00"));
}

TEST_F(ChipTest, CardThatAnswersWithGetResponse) {
  use("pboc_debit_card.json", &readersim::Card::contact);
  chip_.get_response = true;
  EXPECT_EQ(send("00 A4 04 00 0E 315041592E5359532E4444463031"), hex("61 1E"));
  EXPECT_EQ(send("00 C0 00 00 20"), hex("6C 1E"));
  const Bytes first = send("00 C0 00 00 10");
  ASSERT_EQ(first.size(), 18u);
  EXPECT_EQ(tail(first), hex("61 0E"));
  const Bytes rest = send("00 C0 00 00 0E");
  ASSERT_EQ(rest.size(), 16u);
  EXPECT_EQ(tail(rest), hex("90 00"));
  EXPECT_EQ(send("00 C0 00 00 0E"), hex("69 85"));
  // Any other command drops what was waiting.
  EXPECT_EQ(send("00 B2 01 0C 00"), hex("61 1D"));
  EXPECT_EQ(tail(send("00 A4 00 00 02 3F 00")), hex("90 00"));
  EXPECT_EQ(send("00 C0 00 00 1D"), hex("69 85"));
}

TEST(ChipFile, ShippedChipCardsLoad) {
  const auto dir = readersim::cards_dir();
  const auto debit = readersim::load_card(dir / "pboc_debit_card.json");
  ASSERT_TRUE(debit.contact);
  EXPECT_EQ(debit.contact->dfs.size(), 2u);
  const auto rf = readersim::load_card(dir / "pboc_contactless_card.json");
  ASSERT_TRUE(rf.contactless);
  EXPECT_EQ(rf.contactless->interface, readersim::ChipInterface::TypeA);
  EXPECT_FALSE(rf.contact);
  const auto social = readersim::load_card(dir / "social_security_card.json");
  ASSERT_TRUE(social.contact);
  EXPECT_EQ(social.contact->dfs[0].files[1].records.size(), 6u);
  EXPECT_TRUE(readersim::load_card(dir / "test_sam.json").sam);
}

struct BadChip {
  const char* name;
  const char* json;
  const char* message;
};

void PrintTo(const BadChip& c, std::ostream* os) {
  *os << c.name;
}

class BadChipFile : public ::testing::TestWithParam<BadChip> {};

TEST_P(BadChipFile, IsRefusedWithAClearMessage) {
  try {
    readersim::parse_card(GetParam().json, "x.json");
    ADD_FAILURE() << "accepted";
  } catch (const readersim::CardError& e) {
    EXPECT_NE(std::string(e.what()).find(GetParam().message), std::string::npos) << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Chips, BadChipFile,
    ::testing::Values(
        BadChip{"NoAtr", R"({"contact": {}})", "\"contact\".atr is missing"},
        BadChip{"OddHex", R"({"contact": {"atr": "3B 6"}})", "\"contact\".atr is not hex"},
        BadChip{"LongAtr",
                R"({"sam": {"atr": "3B 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 )"
                R"(11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F 20 21"}})",
                "must hold 1 to 33 bytes"},
        BadChip{"UnknownKey", R"({"contact": {"atr": "3B", "fles": []}})",
                "unknown key \"fles\" in \"contact\""},
        BadChip{"Protocol", R"({"contact": {"atr": "3B", "protocol": "T=2"}})",
                "\"contact\".protocol must be \"T=0\" or \"T=1\""},
        BadChip{"GetResponseOnT1",
                R"({"contact": {"atr": "3B", "protocol": "T=1", "get_response": true}})",
                "get_response needs T=0"},
        BadChip{"GetResponseNotBoolean", R"({"contact": {"atr": "3B", "get_response": "yes"}})",
                "\"contact\".get_response must be true or false"},
        BadChip{"NoType", R"({"contactless": {"ats": "05"}})", "type must be \"A\" or \"B\""},
        BadChip{"TypeNotText", R"({"contactless": {"type": ["A"], "ats": "05"}})",
                "type must be \"A\" or \"B\""},
        BadChip{"AtsOnTypeB", R"({"contactless": {"type": "B", "ats": "05"}})",
                "unknown key \"ats\""},
        BadChip{"FileWithoutId", R"({"contact": {"atr": "3B", "files": [{"records": []}]}})",
                "\"contact\".files[0] needs an \"id\" or an \"sfi\""},
        BadChip{"SfiTooLarge", R"({"contact": {"atr": "3B", "files": [{"sfi": 31}]}})",
                "sfi must be a number from 1 to 30"},
        BadChip{"DfWithoutName", R"({"contact": {"atr": "3B", "dfs": [{"fci": "6F00"}]}})",
                "\"contact\".dfs[0].name is missing"},
        BadChip{"AnswerWithoutStatus",
                R"({"sam": {"atr": "3B", "answers": [{"command": "0084", "response": "90"}]}})",
                "\"sam\".answers[0].response must hold 2 to 258 bytes"}));

}  // namespace
}  // namespace readersim_test

// Social-security card reading on the virtual reader: selections, the field readers, the
// combined read's layouts and the "Auto" flows with their power rules.
#include <algorithm>
#include <cstring>

#include "chip_fixture.h"

namespace tarn_test {
namespace {

using Commands = std::vector<std::pair<std::uint8_t, std::uint8_t>>;

struct FieldCase {
  const char* name;
  int (*read)(TARN_HANDLE, unsigned char*);
  Bytes apdu;
  Bytes response;
  int result;
  Bytes value;  // what is written; the buffer keeps its canaries behind it
};

void PrintTo(const FieldCase& c, std::ostream* os) {
  *os << c.name;
}

const FieldCase kFieldCases[] = {
    {"Gender",
     Tarn_ReadSocialSecurityGender,
     hex("00 B2 03 04 03"),
     hex("0A 01 31 90 00"),
     0,
     {0x31}},
    {"Nation",
     Tarn_ReadSocialSecurityNation,
     hex("00 B2 04 04 03"),
     hex("0B 01 01 90 00"),
     0,
     {0x01}},
    {"Regional", Tarn_ReadSocialSecurityRegional, hex("00 B2 05 04 05"),
     hex("0C 03 99 88 77 90 00"), 0, hex("99 88 77")},
    {"BirthDay", Tarn_ReadSocialSecurityBirthDay, hex("00 B2 06 04 06"),
     hex("0D 04 19 80 01 02 90 00"), 0, hex("19 80 01 02")},
    {"CardId", Tarn_ReadSocialSecurityCardID, hex("00 B2 07 04 0B"),
     hex("07 09 41 42 43 44 45 46 47 48 49 90 00"), 0, hex("41 42 43 44 45 46 47 48 49")},
    {"ShortCardId", Tarn_ReadSocialSecurityCardID, hex("00 B2 07 04 0B"),
     hex("07 04 41 42 43 44 00 00 00 00 00 90 00"), 0, hex("41 42 43 44")},
    // A length byte beyond the record stops before the status word.
    {"CardIdLengthTooLarge", Tarn_ReadSocialSecurityCardID, hex("00 B2 07 04 0B"),
     hex("07 FF 41 42 43 44 45 46 47 48 49 90 00"), 0, hex("41 42 43 44 45 46 47 48 49")},
    {"IdNumber", Tarn_ReadSocialSecurityIDNum, hex("00 B2 01 04 14"),
     cat(cat({0x08, 0x12}, Bytes(18, '7')), hex("90 00")), 0, Bytes(18, '7')},
    {"Name", Tarn_ReadSocialSecurityName, hex("00 B2 02 04 20"),
     cat(cat({0x09, 0x1E}, Bytes(30, 0xB2)), hex("90 00")), 0, Bytes(30, 0xB2)},
    {"RefusedRead", Tarn_ReadSocialSecurityName, hex("00 B2 02 04 20"), hex("6A 83"), 1, {}},
    {"StatusElsewhere",
     Tarn_ReadSocialSecurityGender,
     hex("00 B2 03 04 03"),
     hex("0A 01 31 00 90 00"),
     1,
     {}},
    // 90 then nothing: the status word must have arrived whole.
    {"HalfStatus", Tarn_ReadSocialSecurityGender, hex("00 B2 03 04 03"), hex("0A 01 31 90"), 1, {}},
};

class Field : public ChipWireTest, public ::testing::WithParamInterface<FieldCase> {};

TEST_P(Field, IsCopiedFromItsRecord) {
  const FieldCase& c = GetParam();
  next_response(c.response);
  Guarded<255> out;
  EXPECT_EQ(c.read(port_, out.data()), c.result);
  EXPECT_EQ(sent(), frame_then_enq(t0_frame(c.apdu)));
  EXPECT_EQ(Bytes(out.bytes.begin(), out.bytes.begin() + c.value.size()), c.value);
  EXPECT_TRUE(std::all_of(out.bytes.begin() + c.value.size(), out.bytes.end(),
                          [](std::uint8_t b) { return b == Guarded<255>::kCanary; }));
}

INSTANTIATE_TEST_SUITE_P(SocialSecurity, Field, ::testing::ValuesIn(kFieldCases));

TEST_F(ChipWireTest, SelectionsAreJudgedWhereTheCardPutsItsStatus) {
  next_response(hex("6F 02 84 00 90 00"));
  EXPECT_EQ(Tarn_SelectSocialSecurityApp(port_), TARN_OK);
  EXPECT_EQ(
      sent(),
      frame_then_enq(t0_frame(hex("00 A4 04 00 0F 73 78 31 2E 73 68 2E C9 E7 BB E1 B1 A3 D5 CF"))));
  next_response(hex("6A 82"));
  EXPECT_EQ(Tarn_SelectSocialSecurityApp(port_), 1);
  next_response(hex("90 00"));
  EXPECT_EQ(Tarn_SelectSocialSecurityBasicFile(port_), TARN_OK);
  next_response(hex("6F 00 90 00"));
  EXPECT_EQ(Tarn_SelectSocialSecurityBasicFile(port_), 1) << "data before 90 00";
  EXPECT_EQ(reader_.requests().back().data, apdu_reply(hex("00 A4 02 00 02 EF 06")));
  reader_.set_next_error('9', '8');
  EXPECT_EQ(Tarn_SelectSocialSecurityBasicFile(port_), '8');
}

// The combined read's six outputs, each behind canaries.
struct InfoOutputs {
  Guarded<18> id;
  Guarded<30> name;
  Guarded<1> gender, nation;
  Guarded<3> regional;
  Guarded<4> birth;
  int read(void* port) {
    return Tarn_ReadSocialSecurityInfo(port, id.data(), name.data(), gender.data(), nation.data(),
                                       regional.data(), birth.data());
  }
  int read_auto(void* port) {
    return Tarn_AutoReadSocialSecurityInfo(port, id.data(), name.data(), gender.data(),
                                           nation.data(), regional.data(), birth.data());
  }
  bool untouched() const {
    return id.untouched() && name.untouched() && gender.untouched() && nation.untouched() &&
           regional.untouched() && birth.untouched();
  }
  bool canaries_intact() const {
    return id.canaries_intact() && name.canaries_intact() && gender.canaries_intact() &&
           nation.canaries_intact() && regional.canaries_intact() && birth.canaries_intact();
  }
};

// A combined response: each field's tag, a length byte and its value at the layout's offsets.
Bytes combined(std::size_t size, bool long_layout) {
  Bytes r(size - 2, 0x20);
  const auto put = [&](std::size_t at, std::uint8_t tag, std::size_t n, std::uint8_t fill) {
    r[at] = tag;
    r[at + 1] = static_cast<std::uint8_t>(n);
    std::fill_n(r.begin() + static_cast<long>(at) + 2, n, fill);
  };
  const std::size_t shift = long_layout ? 22 : 0;
  put(0, 0x08, 18, '1');
  put(20, 0x09, 30, 0xC4);
  put(52 + shift, 0x0A, 1, '2');
  put(55 + shift, 0x0B, 1, 0x01);
  put(58 + shift, 0x0C, 3, 0x99);
  put(63 + shift, 0x0D, 4, 0x19);
  return cat(r, hex("90 00"));
}

TEST_F(ChipWireTest, CombinedReadTakesBothLayouts) {
  for (bool long_layout : {false, true}) {
    InfoOutputs o;
    next_response(combined(long_layout ? 93 : 71, long_layout));
    ASSERT_EQ(o.read(port_), TARN_OK);
    EXPECT_EQ(sent(), frame_then_enq(t0_frame(hex("00 B2 01 05"))));
    EXPECT_EQ(Bytes(o.id.bytes.begin(), o.id.bytes.begin() + 18), Bytes(18, '1'));
    EXPECT_EQ(o.name.bytes[29], 0xC4);
    EXPECT_EQ(o.gender.bytes[0], '2');
    EXPECT_EQ(o.nation.bytes[0], 0x01);
    EXPECT_EQ(o.regional.bytes[2], 0x99);
    EXPECT_EQ(o.birth.bytes[3], 0x19);
    EXPECT_TRUE(o.canaries_intact());
  }
}

TEST_F(ChipWireTest, CombinedReadTakesOnlyFieldsWhoseTagIsInPlace) {
  InfoOutputs o;
  Bytes response = combined(71, false);
  response[52] = 0x0B;
  next_response(response);
  ASSERT_EQ(o.read(port_), TARN_OK);
  EXPECT_TRUE(o.gender.untouched());
  EXPECT_FALSE(o.id.untouched());
  EXPECT_FALSE(o.birth.untouched());
}

TEST_F(ChipWireTest, CombinedReadWritesNothingForOtherResponses) {
  const std::pair<Bytes, int> cases[] = {
      {cat(Bytes(67, 0x08), hex("90 00")), TARN_OK},  // 69 bytes: no known layout
      {cat(Bytes(69, 0x08), hex("6A 83")), 1},
      {cat(Bytes(199, 0x08), hex("90 00")), TARN_E_REPLY},  // 201 bytes: beyond the buffer
  };
  for (const auto& [response, result] : cases) {
    InfoOutputs o;
    next_response(response);
    EXPECT_EQ(o.read(port_), result) << response.size();
    EXPECT_TRUE(o.untouched()) << response.size();
  }
}

TEST_F(ChipWireTest, AutoReadOfTheShippedCard) {
  place("social_security_card.json");
  InfoOutputs o;
  Guarded<9> card_id;
  ASSERT_EQ(Tarn_AutoReadSocialSecurityInfoAndCardID(
                port_, o.id.data(), o.name.data(), o.gender.data(), o.nation.data(),
                o.regional.data(), o.birth.data(), card_id.data()),
            TARN_OK);
  EXPECT_EQ(std::memcmp(o.id.data(), "00000019900101000X", 18), 0);
  EXPECT_EQ(Bytes(o.name.bytes.begin(), o.name.bytes.begin() + 4), hex("B2 E2 CA D4"));
  EXPECT_EQ(o.gender.bytes[0], '1');
  EXPECT_EQ(Bytes(o.birth.bytes.begin(), o.birth.bytes.begin() + 4), hex("19 90 01 01"));
  EXPECT_EQ(std::memcmp(card_id.data(), "X00000001", 9), 0);
  EXPECT_TRUE(o.canaries_intact() && card_id.canaries_intact());
  const Commands expected = {{'9', '0'}, {'9', '3'}, {'9', '3'}, {'9', '3'}, {'9', '0'},
                             {'9', '3'}, {'9', '3'}, {'9', '3'}, {'9', '1'}};
  EXPECT_EQ(commands(), expected);
  EXPECT_EQ(reader_.requests()[6].data, apdu_reply(hex("00 A4 02 00 02 EF 05")));
  EXPECT_FALSE(reader_.state().contact_power);
  // The pause between the two parts: from the end of the combined read to the second reset.
  const auto talks = reader_.conversations();
  EXPECT_GE(talks[4].start - talks[3].end, milliseconds(100));
}

TEST_F(ChipWireTest, AutoReadsOnAT1CardReadNothing) {
  readersim::Card card = card_file("social_security_card.json");
  card.contact->protocol = 1;
  reader_.place_card(card, Position::IcContacts);
  InfoOutputs o;
  EXPECT_EQ(o.read_auto(port_), TARN_OK);
  EXPECT_TRUE(o.untouched());
  EXPECT_EQ(commands(), (Commands{{'9', '0'}}));
  EXPECT_TRUE(reader_.state().contact_power) << "left powered";

  Guarded<9> card_id;
  reader_.clear_recording();
  EXPECT_EQ(Tarn_AutoReadSocialSecurityCardID(port_, card_id.data()), TARN_OK);
  EXPECT_TRUE(card_id.untouched());
  EXPECT_EQ(commands(), (Commands{{'9', '0'}, {'9', '1'}}));
  EXPECT_FALSE(reader_.state().contact_power);
}

TEST_F(ChipWireTest, AutoCardIdPowersOffAfterAFailedReset) {
  Guarded<9> card_id;
  EXPECT_EQ(Tarn_AutoReadSocialSecurityCardID(port_, card_id.data()), '3');  // no card
  EXPECT_EQ(commands(), (Commands{{'9', '0'}, {'9', '1'}}));
  EXPECT_TRUE(card_id.untouched());
}

TEST_F(ChipWireTest, AutoReadStopsAtTheFirstRefusal) {
  place("pboc_debit_card.json");  // no social-security application
  InfoOutputs o;
  Guarded<9> card_id;
  EXPECT_EQ(Tarn_AutoReadSocialSecurityInfoAndCardID(
                port_, o.id.data(), o.name.data(), o.gender.data(), o.nation.data(),
                o.regional.data(), o.birth.data(), card_id.data()),
            1);
  EXPECT_EQ(commands(), (Commands{{'9', '0'}, {'9', '3'}})) << "no card number read";
  EXPECT_TRUE(o.untouched() && card_id.untouched());
}

}  // namespace
}  // namespace tarn_test

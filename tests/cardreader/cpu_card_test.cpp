// Contact, SIM/SAM and contactless CPU-card transport on the virtual reader: frames, unpacking,
// refusals, the bridge's internal variants and the virtual chips behind them.
#include <algorithm>
#include <cstring>
#include <functional>

#include "chip_fixture.h"
#include "cpu_card.h"

namespace tarn_test {
namespace {

using readersim::encode_request;
using readersim::Fault;

const Bytes kDebitAtr = hex("3B 68 00 00 00 73 C8 40 12 00 90 00");

TEST_F(ChipWireTest, ColdResetHandsOverProtocolAndAtr) {
  place("pboc_debit_card.json");
  unsigned char protocol = 0, length = 0;
  Guarded<90> atr;
  ASSERT_EQ(Tarn_CpuCardColdReset(port_, &protocol, atr.data(), &length), TARN_OK);
  EXPECT_EQ(sent(), frame_then_enq(encode_request('9', '0')));
  EXPECT_EQ(protocol, '0');
  ASSERT_EQ(length, kDebitAtr.size());
  EXPECT_EQ(Bytes(atr.bytes.begin(), atr.bytes.begin() + length), kDebitAtr);
  EXPECT_EQ(atr.bytes[length], Guarded<90>::kCanary);
}

TEST_F(ChipWireTest, ColdResetWaitsAfterTheExchange) {
  place("pboc_debit_card.json");
  unsigned char protocol = 0, length = 0, atr[96];
  ASSERT_EQ(Tarn_CpuCardColdReset(port_, &protocol, atr, &length), TARN_OK);
  const auto returned = std::chrono::steady_clock::now();
  // The reader's conversation (and with it the library lock) ended 50 ms before the return.
  EXPECT_GE(returned - reader_.conversations().back().end, milliseconds(50));
}

TEST_F(ChipWireTest, T1ResetThroughTheSocketWritesAnIntLength) {
  const Bytes atr_bytes = hex("3B E9 00 00 81 31 FE 45");
  reader_.set_next_reply(':', cat({9, '1'}, atr_bytes));
  unsigned char protocol = 0;
  int length = -1;
  Guarded<90> atr;
  ASSERT_EQ(Tarn_SimColdReset(port_, &protocol, atr.data(), &length), TARN_OK);
  EXPECT_EQ(protocol, '1');
  EXPECT_EQ(length, 8);
  EXPECT_EQ(Bytes(atr.bytes.begin(), atr.bytes.begin() + 8), atr_bytes);
  EXPECT_EQ(atr.bytes[8], Guarded<90>::kCanary);
  EXPECT_EQ(sent(), frame_then_enq(encode_request(':', '0')));
}

TEST_F(ChipWireTest, WarmResetSendsItsParameterAndRefusesOthersUnsent) {
  place("pboc_debit_card.json");
  unsigned char protocol = 0, length = 0, atr[96];
  int int_length = 0;
  ASSERT_EQ(Tarn_CpuCardColdReset(port_, &protocol, atr, &length), TARN_OK);
  sent();
  ASSERT_EQ(Tarn_CpuCardWarmReset(port_, '1', &protocol, atr, &length), TARN_OK);
  EXPECT_EQ(sent(), frame_then_enq(encode_request('9', '2', Bytes{'1'})));
  EXPECT_EQ(length, kDebitAtr.size());
  for (int parameter : {0x33, 0x2F, 0, 0x133}) {
    EXPECT_EQ(Tarn_CpuCardWarmReset(port_, parameter, &protocol, atr, &length), TARN_E_REPLY);
    EXPECT_EQ(Tarn_SimWarmReset(port_, parameter, &protocol, atr, &int_length), TARN_E_REPLY);
  }
  EXPECT_EQ(Tarn_CpuCardWarmReset(nullptr, '3', &protocol, atr, &length), TARN_E_REPLY);
  EXPECT_EQ(Tarn_CpuCardWarmReset(nullptr, '2', &protocol, atr, &length), TARN_E_NOPORT);
  EXPECT_TRUE(sent().empty());
}

TEST_F(ChipWireTest, FiveByteT0ApduTravelsInFourteenBytes) {
  place("pboc_debit_card.json");
  unsigned char protocol = 0, length = 0, atr[96];
  ASSERT_EQ(Tarn_CpuCardColdReset(port_, &protocol, atr, &length), TARN_OK);
  sent();
  const unsigned char apdu[] = {0x00, 0xB2, 0x01, 0x0C, 0x00};
  Guarded<290> response;
  int response_length = 0;
  ASSERT_EQ(Tarn_CPUT0APDU(port_, 5, apdu, response.data(), &response_length), TARN_OK);
  const Bytes frame = {2, 0, 9, 0x39, 0x33, 0, 5, 0x00, 0xB2, 0x01, 0x0C, 0x00, 3, 0xB8};
  EXPECT_EQ(sent(), frame_then_enq(frame));
  EXPECT_EQ(response_length, 2);  // no application selected: SFI 1 is not in the MF
  EXPECT_EQ(response.bytes[0], 0x6A);
  EXPECT_EQ(response.bytes[1], 0x82);
  EXPECT_TRUE(response.canaries_intact());
}

TEST_F(ChipWireTest, SocketNumbersGoOutAsCharacters) {
  const std::pair<int, std::uint8_t> cases[] = {{5, '5'},     {0, '0'},  {7, '7'},
                                                {0x35, 0x35}, {9, 0x09}, {0x108, 0x08}};
  for (const auto& [socket, character] : cases) {
    reader_.set_next_reply(':', {});
    EXPECT_EQ(Tarn_SimSelect(port_, socket), TARN_OK) << socket;
    EXPECT_EQ(sent(), frame_then_enq(encode_request(':', '5', Bytes{character}))) << socket;
  }
}

TEST_F(ChipWireTest, EmptyResponseWritesOnlyItsLength) {
  reader_.set_next_reply('9', {0, 0});
  const unsigned char apdu[] = {0x00, 0x84, 0x00, 0x00, 0x08};
  Guarded<290> response;
  int length = -1;
  ASSERT_EQ(Tarn_CPUT1APDU(port_, 5, apdu, response.data(), &length), TARN_OK);
  EXPECT_EQ(length, 0);
  EXPECT_TRUE(response.untouched());
  EXPECT_EQ(reader_.requests().back().pm, '4');
}

TEST_F(ChipWireTest, ContactlessResponseIsTheLengthFieldMinusFour) {
  reader_.set_next_reply('G', {0x5A, 1, 2, 3, 0x90, 0x00});  // length field 9
  const unsigned char apdu[] = {0x00, 0xB2, 0x01, 0x0C, 0x00};
  unsigned char leading = 0;
  Guarded<291> response;
  int length = 0;
  ASSERT_EQ(Tarn_CPUTypeAAPDU(port_, 0, 5, apdu, &leading, response.data(), &length), TARN_OK);
  EXPECT_EQ(leading, 0x5A);
  EXPECT_EQ(length, 5);
  EXPECT_EQ(Bytes(response.bytes.begin(), response.bytes.begin() + 6),
            Bytes({1, 2, 3, 0x90, 0x00, Guarded<291>::kCanary}));
  EXPECT_EQ(sent(), frame_then_enq(contactless_frame(Bytes(apdu, apdu + 5))));
}

// Every transport export with outputs, each called once with canary-filled outputs.
struct Outputs {
  Guarded<492> data;
  unsigned char byte = 0xC5, length_byte = 0xC5;
  int length = 0x5A5A;
  bool untouched() const {
    return data.untouched() && byte == 0xC5 && length_byte == 0xC5 && length == 0x5A5A;
  }
};

struct Call {
  const char* name;
  std::uint8_t cm;
  std::function<int(void*, Outputs&)> run;
};

const unsigned char kApdu[] = {0x00, 0xA4, 0x04, 0x00, 0x00};

const Call kCalls[] = {
    {"CpuCardColdReset", '9',
     [](void* p, Outputs& o) {
       return Tarn_CpuCardColdReset(p, &o.byte, o.data.data(), &o.length_byte);
     }},
    {"CpuCardWarmReset", '9',
     [](void* p, Outputs& o) {
       return Tarn_CpuCardWarmReset(p, '0', &o.byte, o.data.data(), &o.length_byte);
     }},
    {"CpuCardPowerOff", '9', [](void* p, Outputs&) { return Tarn_CpuCardPowerOff(p); }},
    {"CPUT0APDU", '9',
     [](void* p, Outputs& o) { return Tarn_CPUT0APDU(p, 5, kApdu, o.data.data(), &o.length); }},
    {"CPUT1APDU", '9',
     [](void* p, Outputs& o) { return Tarn_CPUT1APDU(p, 5, kApdu, o.data.data(), &o.length); }},
    {"SimSelect", ':', [](void* p, Outputs&) { return Tarn_SimSelect(p, 1); }},
    {"SimColdReset", ':',
     [](void* p, Outputs& o) { return Tarn_SimColdReset(p, &o.byte, o.data.data(), &o.length); }},
    {"SimWarmReset", ':',
     [](void* p, Outputs& o) {
       return Tarn_SimWarmReset(p, '2', &o.byte, o.data.data(), &o.length);
     }},
    {"SimCardPowerOff", ':', [](void* p, Outputs&) { return Tarn_SimCardPowerOff(p); }},
    {"SimT0APDU", ':',
     [](void* p, Outputs& o) { return Tarn_SimT0APDU(p, 5, kApdu, o.data.data(), &o.length); }},
    {"SimT1APDU", ':',
     [](void* p, Outputs& o) { return Tarn_SimT1APDU(p, 5, kApdu, o.data.data(), &o.length); }},
    {"CPUTypeACardPowerOn", 'G',
     [](void* p, Outputs& o) { return Tarn_CPUTypeACardPowerOn(p, o.data.data()); }},
    {"CPUTypeBCardPowerOn", 'G',
     [](void* p, Outputs& o) { return Tarn_CPUTypeBCardPowerOn(p, o.data.data()); }},
    {"CPUTypeBAPDU", 'G',
     [](void* p, Outputs& o) {
       return Tarn_CPUTypeBAPDU(p, 0, 5, kApdu, &o.byte, o.data.data(), &o.length);
     }},
    {"CPUCardPowerOn", 'G',
     [](void* p, Outputs& o) { return Tarn_CPUCardPowerOn(p, o.data.data()); }},
    {"CPUAPDU", 'G',
     [](void* p, Outputs& o) {
       return Tarn_CPUAPDU(p, 0, 5, kApdu, &o.byte, o.data.data(), &o.length);
     }},
    {"CpuCardColdResetData", '9',
     [](void* p, Outputs& o) {
       return tarn::CpuCardColdResetData(p, o.data.data(), &o.length_byte);
     }},
    {"CPUT0APDUEx", '9',
     [](void* p, Outputs& o) {
       return tarn::CPUT0APDUEx(p, 0, 5, kApdu, &o.byte, o.data.data(), &o.length);
     }},
    {"CPUTypeACardPowerOnEx", 'G',
     [](void* p, Outputs& o) { return tarn::CPUTypeACardPowerOnEx(p, o.data.data(), &o.length); }},
};

TEST_F(ChipWireTest, RefusalsLeaveEveryOutputUntouched) {
  for (const Call& call : kCalls) {
    Outputs o;
    reader_.set_next_error(call.cm, 0x33);
    EXPECT_EQ(call.run(port_, o), 51) << call.name;
    EXPECT_TRUE(o.untouched()) << call.name;

    reader_.set_next_error(call.cm, 0x00);
    EXPECT_EQ(call.run(port_, o), TARN_E_FAMILY) << call.name << ": a refusal is not a success";
    EXPECT_TRUE(o.untouched()) << call.name;

    reader_.inject(Fault::WrongCmEcho);
    EXPECT_EQ(call.run(port_, o), TARN_E_REPLY) << call.name;
    EXPECT_TRUE(o.untouched()) << call.name;

    EXPECT_EQ(call.run(nullptr, o), TARN_E_NOPORT) << call.name;
    EXPECT_TRUE(o.untouched()) << call.name;
  }
}

struct BadReply {
  const char* name;
  std::uint8_t cm;
  Bytes data;
};

// Replies whose counts do not match what arrived are refused, never copied past the buffer.
TEST_F(ChipWireTest, InconsistentRepliesAreRefused) {
  const BadReply cases[] = {
      {"ResetCountZero", '9', {0, '0', 0x3B}},
      {"ResetCountBeyondData", '9', {5, '0', 0x3B, 0x00}},
      {"ResetWithoutData", '9', {}},
      {"ApduLengthBeyondData", '9', {0, 4, 0x90, 0x00}},
      {"ApduWithoutLength", '9', {0x01}},
      {"SocketApduBeyondData", ':', {0x01, 0x00, 0x90, 0x00}},
      {"ContactlessWithoutLeadingByte", 'G', {}},
  };
  for (const auto& c : cases) {
    Outputs o;
    reader_.set_next_reply(c.cm, c.data);
    int result = 0;
    if (std::string(c.name).starts_with("Reset"))
      result = Tarn_CpuCardColdReset(port_, &o.byte, o.data.data(), &o.length_byte);
    else if (c.cm == ':')
      result = Tarn_SimT0APDU(port_, 5, kApdu, o.data.data(), &o.length);
    else if (c.cm == 'G')
      result = Tarn_CPUTypeBAPDU(port_, 0, 5, kApdu, &o.byte, o.data.data(), &o.length);
    else
      result = Tarn_CPUT0APDU(port_, 5, kApdu, o.data.data(), &o.length);
    EXPECT_EQ(result, TARN_E_REPLY) << c.name;
    EXPECT_TRUE(o.untouched()) << c.name;
  }
}

TEST_F(ChipWireTest, LargestRepliesFitAndLargerOnesAreRefused) {
  Outputs o;
  reader_.set_next_reply('9', apdu_reply(Bytes(290, 0x11)));
  ASSERT_EQ(Tarn_CPUT0APDU(port_, 5, kApdu, o.data.data(), &o.length), TARN_OK);
  EXPECT_EQ(o.length, 290);
  EXPECT_EQ(o.data.bytes[289], 0x11);
  EXPECT_EQ(o.data.bytes[290], Guarded<492>::kCanary);

  Outputs big;
  reader_.set_next_reply('9', apdu_reply(Bytes(291, 0x11)));  // frame of 301 bytes
  EXPECT_EQ(Tarn_CPUT0APDU(port_, 5, kApdu, big.data.data(), &big.length), TARN_E_REPLY);
  EXPECT_TRUE(big.untouched());

  reader_.set_next_reply('G', Bytes(492, 0x22));
  ASSERT_EQ(tarn::CPUTypeACardPowerOnEx(port_, o.data.data(), &o.length), TARN_OK);
  EXPECT_EQ(o.length, 492);
  EXPECT_TRUE(o.data.canaries_intact());

  reader_.set_next_reply('G', Bytes(93, 0x22));  // beyond the Type B power on's 100 bytes
  EXPECT_EQ(Tarn_CPUTypeBCardPowerOn(port_, big.data.data()), TARN_E_REPLY);
  reader_.set_next_reply('9', cat({91, '0'}, Bytes(91, 0x3B)));  // beyond the reset's 100 bytes
  EXPECT_EQ(Tarn_CpuCardColdReset(port_, &big.byte, big.data.data(), &big.length_byte),
            TARN_E_REPLY);
  EXPECT_TRUE(big.untouched());
}

TEST_F(ChipWireTest, ApdusBeyondTheRequestFrameAreRefusedUnsent) {
  const Bytes apdu(292, 0x00);
  Outputs o;
  EXPECT_EQ(Tarn_CPUT0APDU(port_, 292, apdu.data(), o.data.data(), &o.length), TARN_E_ARGUMENT);
  EXPECT_EQ(Tarn_SimT1APDU(port_, -1, apdu.data(), o.data.data(), &o.length), TARN_E_ARGUMENT);
  EXPECT_EQ(Tarn_CPUT0APDU(port_, 5, nullptr, o.data.data(), &o.length), TARN_E_ARGUMENT);
  EXPECT_EQ(Tarn_CPUTypeBAPDU(port_, 0, 291, apdu.data(), &o.byte, o.data.data(), &o.length),
            TARN_E_ARGUMENT);
  EXPECT_TRUE(sent().empty());
  EXPECT_TRUE(o.untouched());

  reader_.set_next_reply('9', {0, 0});
  EXPECT_EQ(Tarn_CPUT0APDU(port_, 291, apdu.data(), o.data.data(), &o.length), TARN_OK);
  EXPECT_EQ(sent().size(), 300u + 1);  // the whole 300-byte frame, then ENQ
  reader_.set_next_reply('G', {0});
  EXPECT_EQ(Tarn_CPUTypeBAPDU(port_, 0, 290, apdu.data(), &o.byte, o.data.data(), &o.length),
            TARN_OK);
  EXPECT_EQ(sent().size(), 300u + 1);
}

TEST_F(ChipWireTest, BridgeVariantsHandOverWholeReplies) {
  place("pboc_debit_card.json");
  Outputs o;
  ASSERT_EQ(tarn::CpuCardColdResetData(port_, o.data.data(), &o.length_byte), TARN_OK);
  EXPECT_EQ(o.length_byte, kDebitAtr.size() + 2);
  EXPECT_EQ(Bytes(o.data.bytes.begin(), o.data.bytes.begin() + 2), Bytes({13, '0'}));
  EXPECT_EQ(o.data.bytes[o.length_byte], Guarded<492>::kCanary);

  const unsigned char select[] = {0x00, 0xA4, 0x04, 0x00, 0x05, 0xA0, 0x00, 0x00, 0x03, 0x33};
  unsigned char aux = 0x77;
  ASSERT_EQ(tarn::CPUT0APDUEx(port_, 9, 10, select, &aux, o.data.data(), &o.length), TARN_OK);
  EXPECT_EQ(aux, 0x77);
  EXPECT_EQ(o.data.bytes[o.length - 2], 0x90);
  EXPECT_EQ(reader_.requests().back().pm, '3');

  place("pboc_contactless_card.json", Position::RfField);
  ASSERT_EQ(tarn::CPUTypeACardPowerOnEx(port_, o.data.data(), &o.length), TARN_OK);
  EXPECT_EQ(Bytes(o.data.bytes.begin(), o.data.bytes.begin() + o.length),
            hex("0D 78 80 70 02 00 73 C8 40 12 00 90 00"));
}

TEST_F(ChipWireTest, VirtualChipsNeedPowerTheRightProtocolAndTheirPlace) {
  const unsigned char apdu[] = {0x00, 0xA4, 0x00, 0x00, 0x02, 0x3F, 0x00};
  Outputs o;
  EXPECT_EQ(Tarn_CpuCardColdReset(port_, &o.byte, o.data.data(), &o.length_byte), '3');
  place("pboc_debit_card.json", Position::ReadHead);
  EXPECT_EQ(Tarn_CpuCardColdReset(port_, &o.byte, o.data.data(), &o.length_byte), '4');
  place("bank_card.json");
  EXPECT_EQ(Tarn_CpuCardColdReset(port_, &o.byte, o.data.data(), &o.length_byte), '7');
  place("pboc_debit_card.json");
  EXPECT_EQ(Tarn_CPUT0APDU(port_, 7, apdu, o.data.data(), &o.length), '8');
  ASSERT_EQ(Tarn_CpuCardColdReset(port_, &o.byte, o.data.data(), &o.length_byte), TARN_OK);
  EXPECT_EQ(Tarn_CPUT1APDU(port_, 7, apdu, o.data.data(), &o.length), '9');
  EXPECT_EQ(Tarn_CPUT0APDU(port_, 7, apdu, o.data.data(), &o.length), TARN_OK);
  // Away from the contacts and back, the chip needs a new reset.
  ASSERT_EQ(Tarn_MoveCard(port_, '1'), TARN_OK);
  ASSERT_EQ(Tarn_MoveCard(port_, '2'), TARN_OK);
  EXPECT_EQ(Tarn_CPUT0APDU(port_, 7, apdu, o.data.data(), &o.length), '8');
  ASSERT_EQ(Tarn_CpuCardColdReset(port_, &o.byte, o.data.data(), &o.length_byte), TARN_OK);
  ASSERT_EQ(Tarn_CpuCardPowerOff(port_), TARN_OK);
  EXPECT_EQ(Tarn_CPUT0APDU(port_, 7, apdu, o.data.data(), &o.length), '8');
}

TEST_F(ChipWireTest, SamSocketsHoldTheirOwnChips) {
  reader_.update_state(
      [](readersim::ReaderState& s) { s.chips.sams[3] = card_file("test_sam.json"); });
  const unsigned char challenge[] = {0x00, 0x84, 0x00, 0x00, 0x08};
  Outputs o;
  EXPECT_EQ(Tarn_SimSelect(port_, 8), ':');
  EXPECT_EQ(Tarn_SimColdReset(port_, &o.byte, o.data.data(), &o.length), '7');  // socket 0 empty
  ASSERT_EQ(Tarn_SimSelect(port_, 3), TARN_OK);
  ASSERT_EQ(Tarn_SimColdReset(port_, &o.byte, o.data.data(), &o.length), TARN_OK);
  EXPECT_EQ(o.byte, '1');
  EXPECT_EQ(o.length, 18);
  EXPECT_EQ(Tarn_SimT0APDU(port_, 5, challenge, o.data.data(), &o.length), '9');
  ASSERT_EQ(Tarn_SimT1APDU(port_, 5, challenge, o.data.data(), &o.length), TARN_OK);
  EXPECT_EQ(Bytes(o.data.bytes.begin(), o.data.bytes.begin() + o.length),
            hex("11 22 33 44 55 66 77 88 90 00"));
  ASSERT_EQ(Tarn_SimCardPowerOff(port_), TARN_OK);
  EXPECT_EQ(Tarn_SimT1APDU(port_, 5, challenge, o.data.data(), &o.length), '8');
}

TEST_F(ChipWireTest, ContactlessCardAnswersInTheField) {
  place("pboc_contactless_card.json", Position::RfField);
  Outputs o;
  EXPECT_EQ(Tarn_CPUTypeBCardPowerOn(port_, o.data.data()), '7');
  ASSERT_EQ(Tarn_CPUTypeACardPowerOn(port_, o.data.data()), TARN_OK);
  EXPECT_EQ(o.data.bytes[0], 0x0D);
  EXPECT_EQ(o.data.bytes[13], Guarded<492>::kCanary);
  const unsigned char select[] = {0x00, 0xA4, 0x04, 0x00, 0x08, 0xA0, 0x00,
                                  0x00, 0x03, 0x33, 0x01, 0x01, 0x01};
  o.byte = 0xEE;
  ASSERT_EQ(Tarn_CPUTypeBAPDU(port_, 0, 13, select, &o.byte, o.data.data(), &o.length), TARN_OK);
  EXPECT_EQ(o.byte, 0x00);
  EXPECT_EQ(o.data.bytes[0], 0x6F);
  EXPECT_EQ(Tarn_CPUTypeBAPDU(port_, 1, 13, select, &o.byte, o.data.data(), &o.length), '2');
  ASSERT_EQ(Tarn_MoveCard(port_, '2'), TARN_OK);
  ASSERT_EQ(Tarn_MoveCard(port_, '3'), TARN_OK);
  EXPECT_EQ(Tarn_CPUTypeBAPDU(port_, 0, 13, select, &o.byte, o.data.data(), &o.length), '8');
}

TEST_F(ChipWireTest, SerialNumberIsTheMachineIdentityWithoutItsLength) {
  reader_.set_next_reply(0x90, {3, 'K', '1', '7'});
  Guarded<91> id;
  ASSERT_EQ(Tarn_ReadSerialNumber(port_, id.data()), TARN_OK);
  EXPECT_EQ(Bytes(id.bytes.begin(), id.bytes.begin() + 4),
            Bytes({'K', '1', '7', Guarded<91>::kCanary}));
  EXPECT_EQ(sent(), frame_then_enq(encode_request(0x90, '0')));
}

}  // namespace
}  // namespace tarn_test

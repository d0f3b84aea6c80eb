// Mifare S50, S70 and UltraLight on the wire: frames, value blocks, the S70 block codes.
#include <functional>

#include <algorithm>
#include <climits>
#include <string>

#include "card_fixture.h"
#include "readersim/frame.h"

namespace tarn_test {
namespace {

using readersim::encode_request;

const unsigned char kKey[] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
const unsigned char kOne[] = {1, 0, 0, 0};
const unsigned char kData[16] = {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17,
                                 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F};
unsigned char sink[32];

struct Case {
  const char* name;
  std::function<int(void*)> call;
  std::uint8_t cm;
  std::uint8_t pm;
  Bytes data;
};

Bytes with(std::uint8_t lead, const unsigned char* bytes, std::size_t n) {
  Bytes out{lead};
  out.insert(out.end(), bytes, bytes + n);
  return out;
}

const Case kCases[] = {
    {"S50 detect", Tarn_S50DetectCard, ';', '0', {}},
    {"S50 id", [](void* p) { return Tarn_S50GetCardID(p, sink); }, ';', '1', {}},
    {"S50 load key",
     [](void* p) { return Tarn_S50LoadSecKey(p, 'A', 0x101, kKey); },
     ';',
     '2',
     {'A', 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
    {"S50 read", [](void* p) { return Tarn_S50ReadBlock(p, 5, sink); }, ';', '3', {5}},
    {"S50 write", [](void* p) { return Tarn_S50WriteBlock(p, 6, kData); }, ';', '4',
     with(6, kData, 16)},
    {"S50 increment",
     [](void* p) { return Tarn_S50Increment(p, 4, kOne); },
     ';',
     '6',
     {4, 1, 0, 0, 0}},
    {"S50 decrement",
     [](void* p) { return Tarn_S50Decrement(p, 4, kOne); },
     ';',
     '7',
     {4, 1, 0, 0, 0}},
    {"S50 halt", Tarn_S50Halt, ';', '8', {}},
    {"S50 modify key",
     [](void* p) { return Tarn_S50ModifyKey(p, 'B', 2, kKey); },
     ';',
     '<',
     {'B', 2, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
    {"S70 detect", Tarn_S70DetectCard, '<', '0', {}},
    {"S70 id", [](void* p) { return Tarn_S70GetCardID(p, sink); }, '<', '1', {}},
    {"S70 load key",
     [](void* p) { return Tarn_S70LoadSecKey(p, 'B', 39, kKey); },
     '<',
     '2',
     {'B', 39, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
    {"S70 read", [](void* p) { return Tarn_S70ReadBlock(p, 0xFF, sink); }, '<', '3', {0xFF}},
    {"S70 write", [](void* p) { return Tarn_S70WriteBlock(p, 0x85, kData); }, '<', '4',
     with(0x85, kData, 16)},
    {"S70 increment",
     [](void* p) { return Tarn_S70Increment(p, 0xA0, kOne); },
     '<',
     '6',
     {0xA0, 1, 0, 0, 0}},
    {"S70 decrement",
     [](void* p) { return Tarn_S70Decrement(p, 0x85, kOne); },
     '<',
     '7',
     {0x85, 1, 0, 0, 0}},
    {"S70 halt", Tarn_S70Halt, '<', '8', {}},
    {"S70 modify key",
     [](void* p) { return Tarn_S70ModifyKey(p, 'A', 33, kKey); },
     '<',
     '<',
     {'A', 33, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
    {"UL detect", Tarn_ULDetectCard, '=', '0', {}},
    {"UL id", [](void* p) { return Tarn_ULGetCardID(p, sink); }, '=', '1', {}},
    {"UL read", [](void* p) { return Tarn_ULReadBlock(p, 4, sink); }, '=', '2', {4}},
    {"UL write", [](void* p) { return Tarn_ULWriteBlock(p, 8, kData); }, '=', '3',
     with(8, kData, 16)},
    {"UL halt", Tarn_ULHalt, '=', '4', {}},
};

TEST_F(WireTest, MifareCommandsSendTheirRequestBytes) {
  for (const Case& c : kCases) {
    reader_.set_next_reply(c.cm, Bytes(16, 0));
    EXPECT_EQ(c.call(port_), TARN_OK) << c.name;
    EXPECT_EQ(sent(), frame_then_enq(encode_request(c.cm, c.pm, c.data))) << c.name;
  }
}

TEST_F(WireTest, MifareLiteralFrames) {
  reader_.set_next_reply(';', Bytes(16, 0));
  ASSERT_EQ(Tarn_S50ReadBlock(port_, 5, sink), TARN_OK);
  EXPECT_EQ(sent(), frame_then_enq({0x02, 0x00, 0x03, 0x3B, 0x33, 0x05, 0x03, 0x0F}));
  reader_.set_next_reply(';', {});
  ASSERT_EQ(Tarn_S50WriteBlock(port_, 5, kData), TARN_OK);
  EXPECT_EQ(sent().size(), 24u + 1);
  reader_.set_next_reply(';', {});
  ASSERT_EQ(Tarn_S50Increment(port_, 4, kOne), TARN_OK);
  EXPECT_EQ(sent(), frame_then_enq(
                        {0x02, 0x00, 0x07, 0x3B, 0x36, 0x04, 0x01, 0x00, 0x00, 0x00, 0x03, 0x0E}));
}

TEST_F(WireTest, S50InitValueSendsTheValueBlock) {
  const unsigned char hundred[] = {0x64, 0x00, 0x00, 0x00};
  reader_.set_next_reply(';', {});
  ASSERT_EQ(Tarn_S50InitValue(port_, 5, hundred), TARN_OK);
  EXPECT_EQ(sent(), frame_then_enq({0x02, 0x00, 0x13, 0x3B, 0x35, 0x05, 0x64, 0x00,
                                    0x00, 0x00, 0x9B, 0xFF, 0xFF, 0xFF, 0x64, 0x00,
                                    0x00, 0x00, 0x05, 0xFA, 0x05, 0xFA, 0x03, 0x7D}));
  // No range test for the S50: block 200 goes out as is, with address byte 0xC8.
  reader_.set_next_reply(';', {});
  ASSERT_EQ(Tarn_S50InitValue(port_, 200, hundred), TARN_OK);
  const Bytes frame = sent();
  EXPECT_EQ(frame[5], 200);
  EXPECT_EQ(Bytes(frame.begin() + 18, frame.begin() + 22), Bytes({0xC8, 0x37, 0xC8, 0x37}));
}

TEST_F(WireTest, S70InitValueTranslatesTheBlockCode) {
  const unsigned char value[] = {1, 2, 3, 4};
  reader_.set_next_reply('<', {});
  ASSERT_EQ(Tarn_S70InitValue(port_, 0x85, value), TARN_OK);
  EXPECT_EQ(sent(), frame_then_enq({0x02, 0x00, 0x13, 0x3C, 0x35, 0x85, 0x01, 0x02,
                                    0x03, 0x04, 0xFE, 0xFD, 0xFC, 0xFB, 0x01, 0x02,
                                    0x03, 0x04, 0x91, 0x6E, 0x91, 0x6E, 0x03, 0x9A}));
  const struct {
    int code;
    std::uint8_t address;
  } codes[] = {{0x7F, 0x7F}, {0x80, 0x80}, {0x84, 0x90}, {0x9F, 0xF3}, {0x03, 0x03}};
  for (const auto& c : codes) {
    reader_.set_next_reply('<', {});
    ASSERT_EQ(Tarn_S70InitValue(port_, c.code, value), TARN_OK) << c.code;
    const Bytes frame = sent();
    EXPECT_EQ(frame[5], c.code);
    EXPECT_EQ(Bytes(frame.begin() + 18, frame.begin() + 22),
              Bytes({c.address, static_cast<std::uint8_t>(~c.address), c.address,
                     static_cast<std::uint8_t>(~c.address)}))
        << c.code;
  }
}

TEST_F(WireTest, S70InitValueRefusesSectorsAbove39WithoutSending) {
  const unsigned char value[] = {1, 2, 3, 4};
  EXPECT_EQ(Tarn_S70InitValue(port_, 0xA0, value), TARN_E_FAMILY);
  EXPECT_EQ(Tarn_S70InitValue(port_, 0xFF, value), TARN_E_FAMILY);
  EXPECT_EQ(Tarn_S70InitValue(nullptr, 0xA0, value), TARN_E_NOPORT);
  EXPECT_TRUE(sent().empty());
  EXPECT_EQ(reader_.requests().size(), 0u);
}

TEST_F(WireTest, CardIdentifiersAndBlocksCopyTheirSize) {
  const Bytes data{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
  reader_.set_next_reply(';', data);
  Guarded<4> s50;
  ASSERT_EQ(Tarn_S50GetCardID(port_, s50.data()), TARN_OK);
  EXPECT_EQ(Bytes(s50.bytes.begin(), s50.bytes.begin() + 4), Bytes({1, 2, 3, 4}));
  EXPECT_TRUE(s50.canaries_intact());

  reader_.set_next_reply('=', data);
  Guarded<7> ul;
  ASSERT_EQ(Tarn_ULGetCardID(port_, ul.data()), TARN_OK);
  EXPECT_EQ(Bytes(ul.bytes.begin(), ul.bytes.begin() + 7), Bytes({1, 2, 3, 4, 5, 6, 7}));
  EXPECT_TRUE(ul.canaries_intact());

  reader_.set_next_reply('<', data);
  Guarded<16> block;
  ASSERT_EQ(Tarn_S70ReadBlock(port_, 0x84, block.data()), TARN_OK);
  EXPECT_EQ(Bytes(block.bytes.begin(), block.bytes.begin() + 16),
            Bytes(data.begin(), data.begin() + 16));
  EXPECT_TRUE(block.canaries_intact());
}

TEST_F(WireTest, MifareFailuresLeaveTheOutputsAlone) {
  Guarded<16> out;
  reader_.set_next_error(';', '9');
  EXPECT_EQ(Tarn_S50ReadBlock(port_, 4, out.data()), '9');
  reader_.inject(readersim::Fault::WrongCmEcho);
  EXPECT_EQ(Tarn_ULReadBlock(port_, 4, out.data()), TARN_E_REPLY);
  reader_.set_next_raw_reply(readersim::encode_reply('N', ';', '3', Bytes{0x00}));
  EXPECT_EQ(Tarn_S50ReadBlock(port_, 4, out.data()), TARN_E_FAMILY);  // never a success
  EXPECT_TRUE(out.untouched());
  EXPECT_EQ(Tarn_S50ReadBlock(port_, 4, nullptr), TARN_E_ARGUMENT);
  EXPECT_EQ(Tarn_S50LoadSecKey(port_, 'A', 1, nullptr), TARN_E_ARGUMENT);
  EXPECT_EQ(Tarn_S70InitValue(port_, 4, nullptr), TARN_E_ARGUMENT);
  EXPECT_EQ(Tarn_ULWriteBlock(nullptr, 4, kData), TARN_E_NOPORT);
  EXPECT_EQ(Tarn_S50GetCardID(nullptr, out.data()), TARN_E_NOPORT);
  sent();
  EXPECT_EQ(Tarn_S50Decrement(port_, 4, nullptr), TARN_E_ARGUMENT);
  EXPECT_TRUE(sent().empty());
  expect_port_usable();
}

// ---- The virtual Mifare cards ----

const unsigned char kFactoryKey[] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
const unsigned char kKeyA1[] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};

Bytes value_block(std::int32_t value, std::uint8_t address) {
  Bytes block(16);
  for (int k = 0; k < 4; ++k) {
    block[k] = block[8 + k] =
        static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * k));
    block[4 + k] = static_cast<std::uint8_t>(~block[k]);
  }
  block[12] = block[14] = address;
  block[13] = block[15] = static_cast<std::uint8_t>(~address);
  return block;
}

class MifareCardTest : public CardTest {
 protected:
  // Selects the S50 test card and authenticates sector 1 with its key A.
  void open_sector_1() {
    hold("mifare_s50_card.json", readersim::Position::RfField);
    ASSERT_EQ(Tarn_S50DetectCard(port_), TARN_OK);
    ASSERT_EQ(Tarn_S50LoadSecKey(port_, 'A', 1, kKeyA1), TARN_OK);
  }
  Bytes block(int number) {
    unsigned char out[16] = {};
    EXPECT_EQ(Tarn_S50ReadBlock(port_, number, out), TARN_OK);
    return Bytes(out, out + 16);
  }
};

TEST_F(MifareCardTest, AReadNeedsTheSectorsKey) {
  hold("mifare_s50_card.json", readersim::Position::RfField);
  Guarded<16> out;
  EXPECT_EQ(Tarn_S50ReadBlock(port_, 4, out.data()), '@');  // not selected yet
  ASSERT_EQ(Tarn_S50DetectCard(port_), TARN_OK);
  Guarded<4> id;
  ASSERT_EQ(Tarn_S50GetCardID(port_, id.data()), TARN_OK);
  EXPECT_EQ(Bytes(id.bytes.begin(), id.bytes.begin() + 4), Bytes({0xA1, 0xB2, 0xC3, 0xD4}));
  EXPECT_EQ(Tarn_S50ReadBlock(port_, 4, out.data()), 'A');
  EXPECT_EQ(Tarn_S50LoadSecKey(port_, 'A', 1, kFactoryKey), ';');  // sector 1 has its own keys
  EXPECT_EQ(Tarn_S50ReadBlock(port_, 4, out.data()), 'A');
  EXPECT_TRUE(out.untouched());
  EXPECT_EQ(Tarn_S50LoadSecKey(port_, 'C', 1, kKeyA1), '2');
  EXPECT_EQ(Tarn_S50LoadSecKey(port_, 'A', 16, kKeyA1), '>');
  ASSERT_EQ(Tarn_S50LoadSecKey(port_, 'A', 1, kKeyA1), TARN_OK);
  ASSERT_EQ(Tarn_S50ReadBlock(port_, 4, out.data()), TARN_OK);
  EXPECT_EQ(Bytes(out.bytes.begin(), out.bytes.begin() + 16), value_block(100, 4));
  EXPECT_EQ(Tarn_S50ReadBlock(port_, 8, out.data()), 'A');  // another sector
  EXPECT_EQ(Tarn_S50ReadBlock(port_, 64, out.data()), '>');
  // The trailer shows no key A; key B is readable with key A under the transport bits.
  ASSERT_EQ(Tarn_S50ReadBlock(port_, 7, out.data()), TARN_OK);
  EXPECT_EQ(Bytes(out.bytes.begin(), out.bytes.begin() + 16),
            Bytes({0, 0, 0, 0, 0, 0, 0xFF, 0x07, 0x80, 0x69, 0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5}));
  EXPECT_EQ(Tarn_S70DetectCard(port_), '7');
  ASSERT_EQ(Tarn_S50Halt(port_), TARN_OK);
  EXPECT_EQ(Tarn_S50ReadBlock(port_, 4, out.data()), '@');
}

TEST_F(MifareCardTest, IncrementAndDecrementChangeAValueBlock) {
  open_sector_1();
  const unsigned char five[] = {5, 0, 0, 0}, ten[] = {10, 0, 0, 0};
  ASSERT_EQ(Tarn_S50Increment(port_, 4, five), TARN_OK);
  EXPECT_EQ(block(4), value_block(105, 4));
  ASSERT_EQ(Tarn_S50Decrement(port_, 4, ten), TARN_OK);
  EXPECT_EQ(block(4), value_block(95, 4));
  const unsigned char big[] = {0x00, 0x00, 0x00, 0x80};
  EXPECT_EQ(Tarn_S50Increment(port_, 4, big), '?');  // past the largest value
  EXPECT_EQ(block(4), value_block(95, 4));
  EXPECT_EQ(Tarn_S50Increment(port_, 5, five), '?');  // not a value block
  EXPECT_EQ(Tarn_S50Increment(port_, 7, five), '?');  // the trailer

  const unsigned char minus_one[] = {0xFF, 0xFF, 0xFF, 0xFF};
  ASSERT_EQ(Tarn_S50InitValue(port_, 6, minus_one), TARN_OK);
  EXPECT_EQ(block(6), value_block(-1, 6));
  const unsigned char one[] = {1, 0, 0, 0};
  ASSERT_EQ(Tarn_S50Increment(port_, 6, one), TARN_OK);
  EXPECT_EQ(block(6), value_block(0, 6));
  ASSERT_EQ(Tarn_S50Decrement(port_, 6, big), TARN_OK);
  EXPECT_EQ(block(6), value_block(INT32_MIN, 6));
  EXPECT_EQ(Tarn_S50Decrement(port_, 6, one), '?');
}

TEST_F(MifareCardTest, AccessBitsGuardTheBlocks) {
  open_sector_1();
  // Block 4 becomes read-only (C1 C2 C3 = 0 1 0); the trailer keeps the transport condition.
  const unsigned char trailer[] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xEF, 0x07,
                                   0x81, 0x69, 0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5};
  ASSERT_EQ(Tarn_S50WriteBlock(port_, 7, trailer), TARN_OK);
  const unsigned char one[] = {1, 0, 0, 0};
  EXPECT_EQ(Tarn_S50WriteBlock(port_, 4, kData), '=');
  EXPECT_EQ(Tarn_S50Increment(port_, 4, one), '=');
  EXPECT_EQ(block(4), value_block(100, 4));
  ASSERT_EQ(Tarn_S50WriteBlock(port_, 5, kData), TARN_OK);
  EXPECT_EQ(block(5), Bytes(kData, kData + 16));
  unsigned char broken[16];
  std::copy(trailer, trailer + 16, broken);
  broken[8] = 0x80;  // access bits no longer match their complement
  EXPECT_EQ(Tarn_S50WriteBlock(port_, 7, broken), '=');

  const unsigned char new_b[] = {1, 2, 3, 4, 5, 6};
  ASSERT_EQ(Tarn_S50ModifyKey(port_, 'B', 1, new_b), TARN_OK);
  EXPECT_EQ(Tarn_S50ModifyKey(port_, 'B', 2, new_b), 'A');
  ASSERT_EQ(Tarn_S50LoadSecKey(port_, 'B', 1, new_b), TARN_OK);

  ASSERT_EQ(Tarn_S50LoadSecKey(port_, 'A', 0, kFactoryKey), TARN_OK);
  EXPECT_EQ(Tarn_S50WriteBlock(port_, 0, kData), '=');  // the manufacturer block
}

TEST_F(CardTest, S70BlockCodesReachTheBigSectors) {
  hold("mifare_s70_card.json", readersim::Position::RfField);
  ASSERT_EQ(Tarn_S70DetectCard(port_), TARN_OK);
  ASSERT_EQ(Tarn_S70LoadSecKey(port_, 'A', 32, kFactoryKey), TARN_OK);
  unsigned char out[16];
  ASSERT_EQ(Tarn_S70ReadBlock(port_, 0x80, out), TARN_OK);  // sector 32, block 0: block 128
  EXPECT_EQ(std::string(out, out + 8), "TEST S70");
  EXPECT_EQ(Tarn_S70ReadBlock(port_, 0xA0, out), '>');
  ASSERT_EQ(Tarn_S70LoadSecKey(port_, 'A', 33, kFactoryKey), TARN_OK);
  const unsigned char seven[] = {7, 0, 0, 0};
  ASSERT_EQ(Tarn_S70InitValue(port_, 0x85, seven), TARN_OK);  // block 145
  ASSERT_EQ(Tarn_S70Increment(port_, 0x85, seven), TARN_OK);
  ASSERT_EQ(Tarn_S70ReadBlock(port_, 0x85, out), TARN_OK);
  EXPECT_EQ(Bytes(out, out + 16), value_block(14, 0x91));
}

TEST_F(CardTest, UltraLightReadsFourPagesAndWritesOne) {
  hold("mifare_ul_card.json", readersim::Position::RfField);
  ASSERT_EQ(Tarn_ULDetectCard(port_), TARN_OK);
  Guarded<7> id;
  ASSERT_EQ(Tarn_ULGetCardID(port_, id.data()), TARN_OK);
  EXPECT_EQ(Bytes(id.bytes.begin(), id.bytes.begin() + 7),
            Bytes({0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66}));
  EXPECT_TRUE(id.canaries_intact());
  unsigned char out[16];
  ASSERT_EQ(Tarn_ULWriteBlock(port_, 5, kData), TARN_OK);  // only the first four bytes
  ASSERT_EQ(Tarn_ULReadBlock(port_, 4, out), TARN_OK);
  EXPECT_EQ(Bytes(out, out + 12), Bytes({'T', 'E', 'S', 'T', 0x10, 0x11, 0x12, 0x13, 0, 0, 0, 0}));
  ASSERT_EQ(Tarn_ULReadBlock(port_, 14, out), TARN_OK);  // wraps round to pages 0 and 1
  EXPECT_EQ(Bytes(out + 8, out + 16),
            Bytes({0x04, 0x11, 0x22, 0x04 ^ 0x11 ^ 0x22 ^ 0x88, 0x33, 0x44, 0x55, 0x66}));
  EXPECT_EQ(Tarn_ULReadBlock(port_, 16, out), '>');
  EXPECT_EQ(Tarn_ULWriteBlock(port_, 1, kData), '=');  // UID pages
  // Lock bit 5 of the first lock byte locks page 5.
  const unsigned char lock[16] = {0, 0, 0x20, 0};
  ASSERT_EQ(Tarn_ULWriteBlock(port_, 2, lock), TARN_OK);
  const unsigned char other[16] = {0xEE, 0xEE, 0xEE, 0xEE};
  EXPECT_EQ(Tarn_ULWriteBlock(port_, 5, other), '=');
  ASSERT_EQ(Tarn_ULWriteBlock(port_, 6, other), TARN_OK);
}
}  // namespace
}  // namespace tarn_test

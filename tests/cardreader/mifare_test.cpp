// Mifare S50, S70 and UltraLight on the wire: frames, value blocks, the S70 block codes.
#include <functional>

#include "readersim/frame.h"
#include "wire_fixture.h"

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

}  // namespace
}  // namespace tarn_test

// ISO 15693 tags on the wire: flags and addressed mode, result mapping, reply buffers.
#include <functional>
#include <numeric>

#include <string>

#include "card_fixture.h"
#include "readersim/frame.h"

namespace tarn_test {
namespace {

using readersim::encode_reply;
using readersim::encode_request;

const unsigned char kUid[] = {0xE0, 0x04, 0x01, 0x00, 0x12, 0x34, 0x56, 0x78};
unsigned char sink[3000];

Bytes addressed(Bytes tail) {
  Bytes out{0x22, 0xE0, 0x04, 0x01, 0x00, 0x12, 0x34, 0x56, 0x78};
  out.insert(out.end(), tail.begin(), tail.end());
  return out;
}

struct Case {
  const char* name;
  std::function<int(void*, int)> call;  // with the address switch
  std::uint8_t pm;
  Bytes tail;  // request data after the flags byte and the UID
};

const Case kCases[] = {
    {"ReadData",
     [](void* p, int a) { return Tarn_15693ReadData(p, a, kUid, 3, 2, sink, sink); },
     '1',
     {3, 2}},
    {"ChooseCard", [](void* p, int a) { return Tarn_15693ChooseCard(p, a, kUid); }, '3', {}},
    {"GetMessage", [](void* p, int a) { return Tarn_15693GetMessage(p, a, kUid, sink); }, '4', {}},
    {"ReadSafeBit",
     [](void* p, int a) { return Tarn_15693ReadSafeBit(p, a, kUid, 0, 28, sink, sink); },
     '5',
     {0, 28}},
    {"WriteDSFID",
     [](void* p, int a) { return Tarn_15693WriteDSFID(p, a, kUid, 0x1A5); },
     '6',
     {0xA5}},
    {"WriteAFI", [](void* p, int a) { return Tarn_15693WriteAFI(p, a, kUid, 7); }, '7', {7}},
    {"LockBlock", [](void* p, int a) { return Tarn_15693LockBlock(p, a, kUid, 9); }, ':', {9}},
    {"LockAFI", [](void* p, int a) { return Tarn_15693LockAFI(p, a, kUid); }, ';', {}},
    {"LockDSFID", [](void* p, int a) { return Tarn_15693LockDSFID(p, a, kUid); }, '<', {}},
};

TEST_F(WireTest, Iso15693RequestsCarryFlagsAndInAddressedModeTheUid) {
  for (const Case& c : kCases) {
    // The switch is a byte: 0x100 is 0, unaddressed.
    for (int address_switch : {0, 1, 0x80, 0x100}) {
      reader_.set_next_reply('H', {0, 0});
      EXPECT_EQ(c.call(port_, address_switch), TARN_OK) << c.name << " " << address_switch;
      const bool is_addressed = (address_switch & 0xFF) != 0;
      Bytes data = is_addressed ? addressed(c.tail) : Bytes{0x02};
      if (!is_addressed) data.insert(data.end(), c.tail.begin(), c.tail.end());
      EXPECT_EQ(sent(), frame_then_enq(encode_request('H', c.pm, data)))
          << c.name << " " << address_switch;
    }
  }
}

TEST_F(WireTest, Iso15693LiteralFrames) {
  reader_.set_next_reply('H', {1, 2, 3, 4, 5, 6, 7, 8, 9});
  Guarded<8> uid;
  ASSERT_EQ(Tarn_15693GetUid(port_, uid.data()), TARN_OK);
  EXPECT_EQ(sent(), frame_then_enq({0x02, 0x00, 0x02, 0x48, 0x30, 0x03, 0x7B}));
  EXPECT_EQ(Bytes(uid.bytes.begin(), uid.bytes.begin() + 8), Bytes({1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_TRUE(uid.canaries_intact());

  reader_.set_next_reply('H', Bytes(17, 0));
  ASSERT_EQ(Tarn_15693ReadData(port_, 0, nullptr, 0, 4, sink, sink), TARN_OK);
  EXPECT_EQ(sent(), frame_then_enq({0x02, 0x00, 0x05, 0x48, 0x31, 0x02, 0x00, 0x04, 0x03, 0x7B}));

  reader_.set_next_reply('H', {});
  ASSERT_EQ(Tarn_15693LockAFI(port_, 1, kUid), TARN_OK);
  EXPECT_EQ(sent(), frame_then_enq({0x02, 0x00, 0x0B, 0x48, 0x3B, 0x22, 0xE0, 0x04, 0x01, 0x00,
                                    0x12, 0x34, 0x56, 0x78, 0x03, 0xB6}));

  const unsigned char data[] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
  unsigned char result[2] = {0, 0xC5};
  reader_.set_next_reply('H', {0x02, 0x99});
  ASSERT_EQ(Tarn_15693WriteData(port_, 0, nullptr, 5, 2, data, result), TARN_OK);
  EXPECT_EQ(sent(), frame_then_enq({0x02, 0x00, 0x0D, 0x48, 0x32, 0x02, 0x05, 0x02, 0x11, 0x22,
                                    0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x03, 0xFB}));
  EXPECT_EQ(result[0], 0x02);
  EXPECT_EQ(result[1], 0xC5);
}

TEST_F(WireTest, Iso15693BlockReadsSplitOffTheTrailingByte) {
  Bytes reply(17);  // length field 20
  std::iota(reply.begin(), reply.end(), 1);
  reader_.set_next_reply('H', reply);
  Guarded<16> data;
  unsigned char trailing = 0;
  ASSERT_EQ(Tarn_15693ReadData(port_, 0, nullptr, 0, 4, data.data(), &trailing), TARN_OK);
  EXPECT_EQ(Bytes(data.bytes.begin(), data.bytes.begin() + 16),
            Bytes(reply.begin(), reply.begin() + 16));
  EXPECT_TRUE(data.canaries_intact());
  EXPECT_EQ(trailing, 17);

  // ReadSafeBit takes the trailing byte first and the data last.
  reader_.set_next_reply('H', {0, 1, 0, 3});
  Guarded<3> status;
  unsigned char count = 0;
  ASSERT_EQ(Tarn_15693ReadSafeBit(port_, 0, nullptr, 0, 3, &count, status.data()), TARN_OK);
  EXPECT_EQ(Bytes(status.bytes.begin(), status.bytes.begin() + 3), Bytes({0, 1, 0}));
  EXPECT_TRUE(status.canaries_intact());
  EXPECT_EQ(count, 3);
}

TEST_F(WireTest, Iso15693BlockReadsWithoutATrailingByteAreRefused) {
  Guarded<4> data;
  unsigned char trailing = 0x5A;
  reader_.set_next_reply('H', {});  // length field 3
  EXPECT_EQ(Tarn_15693ReadData(port_, 0, nullptr, 0, 1, data.data(), &trailing), TARN_E_REPLY);
  reader_.set_next_reply('H', {});
  EXPECT_EQ(Tarn_15693ReadSafeBit(port_, 0, nullptr, 0, 1, &trailing, data.data()), TARN_E_REPLY);
  EXPECT_TRUE(data.untouched());
  EXPECT_EQ(trailing, 0x5A);
  // One data byte is the trailing byte alone.
  reader_.set_next_reply('H', {0x07});
  EXPECT_EQ(Tarn_15693ReadData(port_, 0, nullptr, 0, 1, data.data(), &trailing), TARN_OK);
  EXPECT_TRUE(data.untouched());
  EXPECT_EQ(trailing, 0x07);
}

TEST_F(WireTest, Iso15693NegativeRepliesMapToTheFamilyResults) {
  const struct {
    std::uint8_t status;
    Bytes data;
    int result;
  } cases[] = {
      {'N', {0x01, 0x12}, 274},
      {'N', {0x01, 0x0F}, 256 + 15},
      {'N', {0x00}, TARN_E_FAMILY},
      {'N', {0x0F}, 15},
      {'N', {0x33, 0x01}, 0x33},
      {'X', {0x01, 0x10}, 272},      // any status byte other than "P"
      {'X', {0x00}, TARN_E_FAMILY},  // never a success
      {'N', {0x01}, 1},              // error byte 1 without its code byte
  };
  for (const auto& c : cases) {
    Guarded<15> info;
    reader_.set_next_raw_reply(encode_reply(c.status, 'H', '4', c.data));
    EXPECT_EQ(Tarn_15693GetMessage(port_, 0, nullptr, info.data()), c.result)
        << c.status << " " << int(c.data[0]);
    EXPECT_TRUE(info.untouched());
  }
  reader_.set_next_raw_reply(encode_reply('P', 'G', '4', Bytes(15, 1)));
  Guarded<15> info;
  EXPECT_EQ(Tarn_15693GetMessage(port_, 0, nullptr, info.data()), TARN_E_REPLY);
  EXPECT_TRUE(info.untouched());
  expect_port_usable();
}

// Replies up to the reply buffer are taken; one byte more is refused, nothing is written.
TEST_F(WireTest, Iso15693RepliesLongerThanTheirBufferAreRefused) {
  Bytes most(2995 - 3);
  std::iota(most.begin(), most.end(), 0);
  reader_.set_next_reply('H', most);
  Guarded<2991> data;
  unsigned char trailing = 0;
  ASSERT_EQ(Tarn_15693ReadData(port_, 0, nullptr, 0, 255, data.data(), &trailing), TARN_OK);
  EXPECT_EQ(Bytes(data.bytes.begin(), data.bytes.begin() + 2991),
            Bytes(most.begin(), most.end() - 1));
  EXPECT_TRUE(data.canaries_intact());
  EXPECT_EQ(trailing, most.back());

  Guarded<2991> refused;
  reader_.set_next_reply('H', Bytes(2996 - 3, 1));
  EXPECT_EQ(Tarn_15693ReadSafeBit(port_, 0, nullptr, 0, 1, &trailing, refused.data()),
            TARN_E_REPLY);
  EXPECT_TRUE(refused.untouched());

  Guarded<15> info;
  reader_.set_next_reply('H', Bytes(45 - 3, 2));
  EXPECT_EQ(Tarn_15693GetMessage(port_, 0, nullptr, info.data()), TARN_OK);
  EXPECT_TRUE(info.canaries_intact());
  Guarded<15> info_refused;
  reader_.set_next_reply('H', Bytes(46 - 3, 2));
  EXPECT_EQ(Tarn_15693GetMessage(port_, 0, nullptr, info_refused.data()), TARN_E_REPLY);
  EXPECT_TRUE(info_refused.untouched());

  Guarded<8> uid;
  reader_.set_next_reply('H', Bytes(25 - 3, 3));
  EXPECT_EQ(Tarn_15693GetUid(port_, uid.data()), TARN_OK);
  EXPECT_TRUE(uid.canaries_intact());
  Guarded<8> uid_refused;
  reader_.set_next_reply('H', Bytes(26 - 3, 3));
  EXPECT_EQ(Tarn_15693GetUid(port_, uid_refused.data()), TARN_E_REPLY);
  EXPECT_TRUE(uid_refused.untouched());
  reader_.set_next_reply('H', Bytes(26 - 3, 3));
  EXPECT_EQ(Tarn_15693LockBlock(port_, 0, nullptr, 1), TARN_E_REPLY);
  expect_port_usable();
}

TEST_F(WireTest, Iso15693ShortRepliesLeaveZerosFromTheClearedBuffer) {
  reader_.set_next_reply('H', {0xAA, 0xBB});
  Guarded<8> uid;
  ASSERT_EQ(Tarn_15693GetUid(port_, uid.data()), TARN_OK);
  EXPECT_EQ(Bytes(uid.bytes.begin(), uid.bytes.begin() + 8), Bytes({0xAA, 0xBB, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(uid.canaries_intact());
}

TEST_F(WireTest, Iso15693ArgumentsThatCannotBeSentAreRefused) {
  const std::function<int(void*)> calls[] = {
      [](void* p) { return Tarn_15693ChooseCard(p, 1, nullptr); },
      [](void* p) { return Tarn_15693LockBlock(p, 0x80, nullptr, 1); },
      [](void* p) { return Tarn_15693ReadData(p, 0, nullptr, 0, 1, nullptr, sink); },
      [](void* p) { return Tarn_15693ReadSafeBit(p, 0, nullptr, 0, 1, nullptr, sink); },
      [](void* p) { return Tarn_15693WriteData(p, 0, nullptr, 0, 1, nullptr, sink); },
      [](void* p) { return Tarn_15693WriteData(p, 0, nullptr, 0, 1, sink, nullptr); },
      [](void* p) { return Tarn_15693GetUid(p, nullptr); },
      [](void* p) { return Tarn_15693GetMessage(p, 0, nullptr, nullptr); },
  };
  for (const auto& call : calls) {
    EXPECT_EQ(call(port_), TARN_E_ARGUMENT);
    EXPECT_EQ(call(nullptr), TARN_E_NOPORT);
  }
  EXPECT_TRUE(sent().empty());
}

// ---- The virtual ISO 15693 tag ----

class TagTest : public CardTest {
 protected:
  void SetUp() override {
    CardTest::SetUp();
    hold("iso15693_tag.json", readersim::Position::RfField);
  }
};

TEST_F(TagTest, ReadsAndWritesBlocksAddressedOrNot) {
  Guarded<8> uid;
  ASSERT_EQ(Tarn_15693GetUid(port_, uid.data()), TARN_OK);
  EXPECT_EQ(Bytes(uid.bytes.begin(), uid.bytes.begin() + 8), Bytes(kUid, kUid + 8));
  Guarded<8> data;
  unsigned char count = 0;
  ASSERT_EQ(Tarn_15693ReadData(port_, 0, nullptr, 0, 2, data.data(), &count), TARN_OK);
  EXPECT_EQ(std::string(data.bytes.begin(), data.bytes.begin() + 8), "TEST TAG");
  EXPECT_TRUE(data.canaries_intact());
  EXPECT_EQ(count, 2);

  const unsigned char blocks[] = {1, 2, 3, 4, 5, 6, 7, 8};
  unsigned char written = 0;
  ASSERT_EQ(Tarn_15693WriteData(port_, 1, kUid, 26, 2, blocks, &written), TARN_OK);
  EXPECT_EQ(written, 2);
  ASSERT_EQ(Tarn_15693ReadData(port_, 1, kUid, 26, 2, data.data(), &count), TARN_OK);
  EXPECT_EQ(Bytes(data.bytes.begin(), data.bytes.begin() + 8), Bytes(blocks, blocks + 8));
  EXPECT_EQ(Tarn_15693ReadData(port_, 0, nullptr, 27, 2, data.data(), &count), 256 + 0x10);
  EXPECT_EQ(Tarn_15693ReadData(port_, 0, nullptr, 0, 0, data.data(), &count), '2');

  const unsigned char other[] = {0xE0, 0x04, 0x01, 0x00, 0x12, 0x34, 0x56, 0x79};
  EXPECT_EQ(Tarn_15693ReadData(port_, 1, other, 0, 1, data.data(), &count), TARN_E_FAMILY);
  EXPECT_EQ(Tarn_15693ChooseCard(port_, 1, other), TARN_E_FAMILY);
  EXPECT_EQ(Tarn_15693ChooseCard(port_, 1, kUid), TARN_OK);
}

TEST_F(TagTest, LockedBlocksRefuseWrites) {
  ASSERT_EQ(Tarn_15693LockBlock(port_, 0, nullptr, 5), TARN_OK);
  EXPECT_EQ(Tarn_15693LockBlock(port_, 0, nullptr, 5), 256 + 0x11);
  EXPECT_EQ(Tarn_15693LockBlock(port_, 0, nullptr, 28), 256 + 0x10);
  const unsigned char blocks[8] = {};
  unsigned char written = 0x5A;
  EXPECT_EQ(Tarn_15693WriteData(port_, 0, nullptr, 4, 2, blocks, &written), 274);
  EXPECT_EQ(written, 0x5A);
  unsigned char read[8];
  unsigned char count = 0;
  ASSERT_EQ(Tarn_15693ReadData(port_, 0, nullptr, 4, 1, read, &count), TARN_OK);
  EXPECT_EQ(Bytes(read, read + 4), Bytes(4, 0));  // block 4 unchanged too
  Guarded<3> status;
  ASSERT_EQ(Tarn_15693ReadSafeBit(port_, 0, nullptr, 4, 3, &count, status.data()), TARN_OK);
  EXPECT_EQ(Bytes(status.bytes.begin(), status.bytes.begin() + 3), Bytes({0, 1, 0}));
  EXPECT_TRUE(status.canaries_intact());
  EXPECT_EQ(count, 3);
}

TEST_F(TagTest, AfiAndDsfidLock) {
  ASSERT_EQ(Tarn_15693WriteAFI(port_, 0, nullptr, 0x07), TARN_OK);
  ASSERT_EQ(Tarn_15693WriteDSFID(port_, 1, kUid, 0x42), TARN_OK);
  ASSERT_EQ(Tarn_15693LockAFI(port_, 0, nullptr), TARN_OK);
  EXPECT_EQ(Tarn_15693LockAFI(port_, 0, nullptr), 256 + 0x11);
  EXPECT_EQ(Tarn_15693WriteAFI(port_, 0, nullptr, 0x08), 274);
  ASSERT_EQ(Tarn_15693LockDSFID(port_, 1, kUid), TARN_OK);
  EXPECT_EQ(Tarn_15693WriteDSFID(port_, 0, nullptr, 0x43), 274);
  Guarded<15> info;
  ASSERT_EQ(Tarn_15693GetMessage(port_, 0, nullptr, info.data()), TARN_OK);
  EXPECT_EQ(
      Bytes(info.bytes.begin(), info.bytes.begin() + 15),
      Bytes({0x00, 0x0F, 0xE0, 0x04, 0x01, 0x00, 0x12, 0x34, 0x56, 0x78, 0x42, 0x07, 27, 3, 0x01}));
  EXPECT_TRUE(info.canaries_intact());
}

TEST_F(TagTest, NoTagAnswersAwayFromTheAntenna) {
  unsigned char uid[8];
  hold("bank_card.json", readersim::Position::RfField);
  EXPECT_EQ(Tarn_15693GetUid(port_, uid), TARN_E_FAMILY);
  hold("iso15693_tag.json", readersim::Position::IcContacts);
  EXPECT_EQ(Tarn_15693GetUid(port_, uid), '4');
}
}  // namespace
}  // namespace tarn_test

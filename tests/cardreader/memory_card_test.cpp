// Memory-card families on the wire: request bytes, length fields and their limits, the reads'
// copies into the caller's buffer.
#include <cstring>
#include <functional>
#include <numeric>
#include <string>

#include "readersim/frame.h"
#include "wire_fixture.h"

namespace tarn_test {
namespace {

using readersim::encode_request;

struct Case {
  const char* name;
  std::function<int(void*)> call;
  std::uint8_t cm;
  std::uint8_t pm;
  Bytes data;  // request data after PM
};

const unsigned char k2[] = {0xA1, 0xA2};
const unsigned char k3[] = {0xB1, 0xB2, 0xB3};
const unsigned char k4[] = {0xC1, 0xC2, 0xC3, 0xC4};
const unsigned char k6[] = {0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6};
const unsigned char k8[] = {1, 2, 3, 4, 5, 6, 7, 8};
const unsigned char d3[] = {0x11, 0x22, 0x33};
unsigned char sink[300];

// Every export of the seven families, with the bytes between PM and ETX that it must send.
const Case kCases[] = {
    {"AT24CXXRead",
     [](void* p) { return Tarn_AT24CXXRead(p, 2, 0x0123, 16, sink); },
     '>',
     '0',
     {0x02, 0x10, 0x01, 0x23}},
    {"AT24CXXWrite",
     [](void* p) { return Tarn_AT24CXXWrite(p, 0x108, 0x7FFF, 3, d3); },
     '>',
     '1',
     {0x08, 3, 0x7F, 0xFF, 0x11, 0x22, 0x33}},
    {"AT45DB041Reset", [](void* p) { return Tarn_AT45DB041Reset(p); }, '?', '0', {}},
    {"AT45DB041Read",
     [](void* p) { return Tarn_AT45DB041Read(p, 0x0102, sink); },
     '?',
     '1',
     {0x01, 0x02}},
    {"AT88SC102Reset", [](void* p) { return Tarn_AT88SC102Reset(p); }, '@', '0', {}},
    {"AT88SC102VerifyPWD",
     [](void* p) { return Tarn_AT88SC102VerifyPWD(p, k2); },
     '@',
     '1',
     {0xA1, 0xA2}},
    {"AT88SC102Read",
     [](void* p) { return Tarn_AT88SC102Read(p, 0x1F0, 5, sink); },
     '@',
     '2',
     {0xF0, 5}},
    {"AT88SC102Security1Erasure",
     [](void* p) { return Tarn_AT88SC102Security1Erasure(p, 0x16, 0x140); },
     '@',
     '3',
     {0x16, 0x40}},
    {"AT88SC102Security2ErasureApp1",
     [](void* p) { return Tarn_AT88SC102Security2ErasureApp1(p, k6); },
     '@',
     '4',
     {0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6}},
    {"AT88SC102Security2ErasureApp2",
     [](void* p) { return Tarn_AT88SC102Security2ErasureApp2(p, 2, k4); },
     '@',
     '5',
     {2, 0xC1, 0xC2, 0xC3, 0xC4}},
    {"AT88SC102Write",
     [](void* p) { return Tarn_AT88SC102Write(p, 0x20, 3, d3); },
     '@',
     '6',
     {0x20, 3, 0x11, 0x22, 0x33}},
    {"AT88SC102WritePWD 0",
     [](void* p) { return Tarn_AT88SC102WritePWD(p, '0', k2); },
     '@',
     '7',
     {'0', 0xA1, 0xA2}},
    {"AT88SC102WritePWD 1",
     [](void* p) { return Tarn_AT88SC102WritePWD(p, '1', k6); },
     '@',
     '7',
     {'1', 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6}},
    {"AT88SC102WritePWD 2",
     [](void* p) { return Tarn_AT88SC102WritePWD(p, '2', k4); },
     '@',
     '7',
     {'2', 0xC1, 0xC2, 0xC3, 0xC4}},
    {"AT88SC102SetMode", [](void* p) { return Tarn_AT88SC102SetMode(p, '1'); }, '@', '8', {'1'}},
    {"AT88SC102DisableEC2", [](void* p) { return Tarn_AT88SC102DisableEC2(p); }, '@', '9', {}},
    {"AT88SC1604Reset", [](void* p) { return Tarn_AT88SC1604Reset(p); }, 'A', '0', {}},
    {"AT88SC1604VerifyPWD",
     [](void* p) { return Tarn_AT88SC1604VerifyPWD(p, '2', k2); },
     'A',
     '1',
     {'2', 0xA1, 0xA2}},
    {"AT88SC1604Read",
     [](void* p) { return Tarn_AT88SC1604Read(p, 0x0123, 16, sink); },
     'A',
     '2',
     {0x01, 0x23, 16}},
    {"AT88SC1604Erasure",
     [](void* p) { return Tarn_AT88SC1604Erasure(p, 0x0456, 8); },
     'A',
     '3',
     {0x04, 0x56, 8}},
    {"AT88SC1604Write",
     [](void* p) { return Tarn_AT88SC1604Write(p, 0x0080, 3, d3); },
     'A',
     '4',
     {0x00, 0x80, 3, 0x11, 0x22, 0x33}},
    {"AT88SC1604WritePWD",
     [](void* p) { return Tarn_AT88SC1604WritePWD(p, '1', k2); },
     'A',
     '5',
     {'1', 0xA1, 0xA2}},
    {"AT88SC1604Personalization",
     [](void* p) { return Tarn_AT88SC1604Personalization(p, '1'); },
     'A',
     '6',
     {'1'}},
    {"AT88SC1608Reset", [](void* p) { return Tarn_AT88SC1608Reset(p); }, 'B', '0', {}},
    {"AT88SC1608VerifyPWD",
     [](void* p) { return Tarn_AT88SC1608VerifyPWD(p, '7', k3); },
     'B',
     '1',
     {'7', 0xB1, 0xB2, 0xB3}},
    {"AT88SC1608Read",
     [](void* p) { return Tarn_AT88SC1608Read(p, 3, 0x10, 4, sink); },
     'B',
     '2',
     {3, 0x10, 4}},
    {"AT88SC1608Write",
     [](void* p) { return Tarn_AT88SC1608Write(p, 3, 0x10, 3, d3); },
     'B',
     '3',
     {3, 0x10, 3, 0x11, 0x22, 0x33}},
    {"AT88SC1608WriteFUSE", [](void* p) { return Tarn_AT88SC1608WriteFUSE(p); }, 'B', '5', {}},
    {"AT88SC1608InitAuth",
     [](void* p) { return Tarn_AT88SC1608InitAuth(p, k8); },
     'B',
     '6',
     {1, 2, 3, 4, 5, 6, 7, 8}},
    {"AT88SC1608VerifyAuth",
     [](void* p) { return Tarn_AT88SC1608VerifyAuth(p, k8); },
     'B',
     '7',
     {1, 2, 3, 4, 5, 6, 7, 8}},
    {"AT88SC1608WritePWD",
     [](void* p) { return Tarn_AT88SC1608WritePWD(p, '0', k3); },
     'B',
     '8',
     {'0', 0xB1, 0xB2, 0xB3}},
    {"SLE4442Reset", [](void* p) { return Tarn_SLE4442Reset(p); }, 'C', '0', {}},
    {"SLE4442VerifyPWD",
     [](void* p) { return Tarn_SLE4442VerifyPWD(p, k3); },
     'C',
     '1',
     {0xB1, 0xB2, 0xB3}},
    {"SLE4442Read",
     [](void* p) { return Tarn_SLE4442Read(p, 0x20, 8, sink); },
     'C',
     '2',
     {0x20, 8}},
    {"SLE4442ReadProtectBit",
     [](void* p) { return Tarn_SLE4442ReadProtectBit(p, sink); },
     'C',
     '3',
     {}},
    {"SLE4442ReadSafety", [](void* p) { return Tarn_SLE4442ReadSafety(p, sink); }, 'C', '4', {}},
    {"SLE4442Write",
     [](void* p) { return Tarn_SLE4442Write(p, 0x40, 3, d3); },
     'C',
     '5',
     {0x40, 3, 0x11, 0x22, 0x33}},
    {"SLE4442WriteProtectBit",
     [](void* p) { return Tarn_SLE4442WriteProtectBit(p, 0x04, 3, d3); },
     'C',
     '6',
     {0x04, 3, 0x11, 0x22, 0x33}},
    {"SLE4442ChangePWD",
     [](void* p) { return Tarn_SLE4442ChangePWD(p, k3); },
     'C',
     '7',
     {0xB1, 0xB2, 0xB3}},
    {"Sle4428Reset", [](void* p) { return Tarn_Sle4428Reset(p); }, 'D', '0', {}},
    {"Sle4428VerifyPWD",
     [](void* p) { return Tarn_Sle4428VerifyPWD(p, k2); },
     'D',
     '1',
     {0xA1, 0xA2}},
    {"Sle4428Read",
     [](void* p) { return Tarn_Sle4428Read(p, 0x03FF, 1, sink); },
     'D',
     '2',
     {0x03, 0xFF, 1}},
    {"Sle4428ReadProtectBit",
     [](void* p) { return Tarn_Sle4428ReadProtectBit(p, 0x0100, 32, sink); },
     'D',
     '3',
     {0x01, 0x00, 32}},
    {"Sle4428Write",
     [](void* p) { return Tarn_Sle4428Write(p, 0x0200, 3, d3); },
     'D',
     '4',
     {0x02, 0x00, 3, 0x11, 0x22, 0x33}},
    {"Sle4428WriteP",
     [](void* p) { return Tarn_Sle4428WriteP(p, 0x0201, 3, d3); },
     'D',
     '5',
     {0x02, 0x01, 3, 0x11, 0x22, 0x33}},
    {"Sle4428ChangePWD",
     [](void* p) { return Tarn_Sle4428ChangePWD(p, k2); },
     'D',
     '6',
     {0xA1, 0xA2}},
};

TEST_F(WireTest, MemoryCardCommandsSendTheirRequestBytes) {
  for (const Case& c : kCases) {
    reader_.set_next_reply(c.cm, Bytes(8, 0));
    EXPECT_EQ(c.call(port_), TARN_OK) << c.name;
    EXPECT_EQ(sent(), frame_then_enq(encode_request(c.cm, c.pm, c.data))) << c.name;
  }
}

TEST_F(WireTest, MemoryCardCommandsOnANullHandleSendNothing) {
  for (const Case& c : kCases) EXPECT_EQ(c.call(nullptr), TARN_E_NOPORT) << c.name;
  unsigned char fuse = 0x77;
  EXPECT_EQ(Tarn_AT88SC1608ReadFUSE(nullptr, &fuse, &fuse, &fuse), TARN_E_NOPORT);
  EXPECT_EQ(Tarn_AT45DB041Write(nullptr, 0, sink), TARN_E_NOPORT);
  EXPECT_EQ(Tarn_AT88SC102WritePWD(nullptr, '9', k2), TARN_E_NOPORT);
  EXPECT_EQ(fuse, 0x77);
  EXPECT_TRUE(sent().empty());
}

TEST_F(WireTest, LiteralMemoryCardFrames) {
  Guarded<16> out;
  reader_.set_next_reply('>', Bytes(16, 0x5A));
  ASSERT_EQ(Tarn_AT24CXXRead(port_, 0x02, 0x0123, 16, out.data()), TARN_OK);
  EXPECT_EQ(sent(), frame_then_enq({0x02, 0x00, 0x06, 0x3E, 0x30, 0x02, 0x10, 0x01, 0x23, 0x03,
                                    0x39}));  // the length goes ahead of the address

  reader_.set_next_reply('A', Bytes(16, 0x5A));
  ASSERT_EQ(Tarn_AT88SC1604Read(port_, 0x0123, 16, out.data()), TARN_OK);
  EXPECT_EQ(sent(), frame_then_enq({0x02, 0x00, 0x05, 0x41, 0x32, 0x01, 0x23, 0x10, 0x03, 0x45}));

  const unsigned char key6[] = {1, 2, 3, 4, 5, 6};
  reader_.set_next_reply('@', {});
  ASSERT_EQ(Tarn_AT88SC102WritePWD(port_, '1', key6), TARN_OK);
  EXPECT_EQ(sent(),
            frame_then_enq({0x02, 0x00, 0x09, 0x40, 0x37, 0x31, 1, 2, 3, 4, 5, 6, 0x03, 0x49}));
  reader_.set_next_reply('@', {});
  ASSERT_EQ(Tarn_AT88SC102WritePWD(port_, '2', key6), TARN_OK);
  EXPECT_EQ(sent(), frame_then_enq({0x02, 0x00, 0x07, 0x40, 0x37, 0x32, 1, 2, 3, 4, 0x03, 0x47}));
}

TEST_F(WireTest, LongestWritesFillTheOneByteLengthField) {
  Bytes data(264);
  std::iota(data.begin(), data.end(), 0);
  reader_.set_next_reply('>', {});
  ASSERT_EQ(Tarn_AT24CXXWrite(port_, 2, 0, 249, data.data()), TARN_OK);
  const Bytes frame = sent();
  ASSERT_EQ(frame.size(), 260u + 1);
  EXPECT_EQ(frame[1], 0x00);
  EXPECT_EQ(frame[2], 0xFF);
  EXPECT_EQ(Bytes(frame.begin() + 9, frame.begin() + 258), Bytes(data.begin(), data.begin() + 249));

  // The flash page always carries 264 bytes with a true two-byte length field, whatever the
  // caller's buffer holds beyond them.
  reader_.set_next_reply('?', {});
  ASSERT_EQ(Tarn_AT45DB041Write(port_, 0x07FF, data.data()), TARN_OK);
  Bytes page_data{0x07, 0xFF};
  page_data.insert(page_data.end(), data.begin(), data.end());
  const Bytes page = sent();
  EXPECT_EQ(page, frame_then_enq(encode_request('?', '2', page_data)));
  EXPECT_EQ(page[1], 0x01);
  EXPECT_EQ(page[2], 0x0C);
}

struct Refused {
  const char* name;
  std::function<int(void*)> call;
};

// Arguments that the request cannot carry: nothing goes out.
TEST_F(WireTest, MemoryCardArgumentsThatDoNotFitAreRefused) {
  const Bytes big(300, 0x42);
  const unsigned char* d = big.data();
  const Refused cases[] = {
      {"AT24 write 250", [d](void* p) { return Tarn_AT24CXXWrite(p, 2, 0, 250, d); }},
      {"102 write 252", [d](void* p) { return Tarn_AT88SC102Write(p, 0, 252, d); }},
      {"1604 write 251", [d](void* p) { return Tarn_AT88SC1604Write(p, 0, 251, d); }},
      {"1608 write 251", [d](void* p) { return Tarn_AT88SC1608Write(p, 0, 0, 251, d); }},
      {"4442 write 252", [d](void* p) { return Tarn_SLE4442Write(p, 0, 252, d); }},
      {"4442 protect 252", [d](void* p) { return Tarn_SLE4442WriteProtectBit(p, 0, 252, d); }},
      {"4428 write 251", [d](void* p) { return Tarn_Sle4428Write(p, 0, 251, d); }},
      {"4428 write-p 251", [d](void* p) { return Tarn_Sle4428WriteP(p, 0, 251, d); }},
      {"write length 256", [d](void* p) { return Tarn_SLE4442Write(p, 0, 256, d); }},
      {"write length -1", [d](void* p) { return Tarn_SLE4442Write(p, 0, -1, d); }},
      {"read length 256", [](void* p) { return Tarn_SLE4442Read(p, 0, 256, sink); }},
      {"erase length 300", [](void* p) { return Tarn_AT88SC1604Erasure(p, 0, 300); }},
      {"address 65536", [](void* p) { return Tarn_Sle4428Read(p, 0x10000, 1, sink); }},
      {"address -1", [](void* p) { return Tarn_AT24CXXRead(p, 2, -1, 1, sink); }},
      {"page 65536", [](void* p) { return Tarn_AT45DB041Read(p, 0x10000, sink); }},
      {"null data", [](void* p) { return Tarn_SLE4442Write(p, 0, 1, nullptr); }},
      {"null page", [](void* p) { return Tarn_AT45DB041Write(p, 0, nullptr); }},
      {"null password", [](void* p) { return Tarn_SLE4442VerifyPWD(p, nullptr); }},
      {"null out", [](void* p) { return Tarn_SLE4442Read(p, 0, 1, nullptr); }},
      {"null fuse", [](void* p) { return Tarn_AT88SC1608ReadFUSE(p, sink, nullptr, sink); }},
      {"WritePWD selector 3", [](void* p) { return Tarn_AT88SC102WritePWD(p, '3', k6); }},
      {"WritePWD selector 0", [](void* p) { return Tarn_AT88SC102WritePWD(p, 0, k6); }},
  };
  for (const Refused& c : cases) EXPECT_EQ(c.call(port_), TARN_E_ARGUMENT) << c.name;
  EXPECT_TRUE(sent().empty());
  // Nothing to send or receive needs no buffer.
  reader_.set_next_reply('C', {});
  EXPECT_EQ(Tarn_SLE4442Write(port_, 0, 0, nullptr), TARN_OK);
  reader_.set_next_reply('C', {});
  EXPECT_EQ(Tarn_SLE4442Read(port_, 0, 0, nullptr), TARN_OK);
}

TEST_F(WireTest, ReadsCopyExactlyTheCountAskedFor) {
  Bytes data(40);
  std::iota(data.begin(), data.end(), 1);
  reader_.set_next_reply('C', data);
  Guarded<8> out;
  ASSERT_EQ(Tarn_SLE4442Read(port_, 0, 8, out.data()), TARN_OK);
  EXPECT_EQ(Bytes(out.bytes.begin(), out.bytes.begin() + 8), Bytes(data.begin(), data.begin() + 8));
  EXPECT_TRUE(out.canaries_intact());

  // A shorter reply leaves zeros from the cleared reply buffer: the count is the caller's.
  reader_.set_next_reply('D', {0xAB, 0xCD});
  Guarded<4> shorter;
  ASSERT_EQ(Tarn_Sle4428ReadProtectBit(port_, 0, 4, shorter.data()), TARN_OK);
  EXPECT_EQ(Bytes(shorter.bytes.begin(), shorter.bytes.begin() + 4), Bytes({0xAB, 0xCD, 0, 0}));
  EXPECT_TRUE(shorter.canaries_intact());

  // The largest count fits the 300-byte reply buffer.
  Bytes full(255);
  std::iota(full.begin(), full.end(), 0);
  reader_.set_next_reply('@', full);
  Guarded<255> most;
  ASSERT_EQ(Tarn_AT88SC102Read(port_, 0, 255, most.data()), TARN_OK);
  EXPECT_EQ(Bytes(most.bytes.begin(), most.bytes.begin() + 255), full);
  EXPECT_TRUE(most.canaries_intact());
}

TEST_F(WireTest, FixedSizeReadsCopyTheirCount) {
  Bytes data(300 - 8);
  std::iota(data.begin(), data.end(), 0);
  reader_.set_next_reply('?', data);
  Guarded<264> page;
  ASSERT_EQ(Tarn_AT45DB041Read(port_, 5, page.data()), TARN_OK);
  EXPECT_EQ(Bytes(page.bytes.begin(), page.bytes.begin() + 264),
            Bytes(data.begin(), data.begin() + 264));
  EXPECT_TRUE(page.canaries_intact());

  reader_.set_next_reply('C', Bytes(40, 1));
  Guarded<32> bits;
  ASSERT_EQ(Tarn_SLE4442ReadProtectBit(port_, bits.data()), TARN_OK);
  EXPECT_EQ(Bytes(bits.bytes.begin(), bits.bytes.begin() + 32), Bytes(32, 1));
  EXPECT_TRUE(bits.canaries_intact());

  reader_.set_next_reply('C', {7, 0xB1, 0xB2, 0xB3, 0xEE});
  Guarded<4> safety;
  ASSERT_EQ(Tarn_SLE4442ReadSafety(port_, safety.data()), TARN_OK);
  EXPECT_EQ(Bytes(safety.bytes.begin(), safety.bytes.begin() + 4), Bytes({7, 0xB1, 0xB2, 0xB3}));
  EXPECT_TRUE(safety.canaries_intact());

  sent();
  reader_.set_next_reply('B', {0x01, 0x02, 0x03});
  unsigned char fuses[4] = {0, 0, 0, 0xC5};
  ASSERT_EQ(Tarn_AT88SC1608ReadFUSE(port_, &fuses[0], &fuses[1], &fuses[2]), TARN_OK);
  EXPECT_EQ(Bytes(fuses, fuses + 4), Bytes({1, 2, 3, 0xC5}));
  EXPECT_EQ(sent(), frame_then_enq({0x02, 0x00, 0x02, 0x42, 0x34, 0x03, 0x75}));
}

TEST_F(WireTest, MemoryCardFailuresLeaveTheOutputsAlone) {
  Guarded<16> out;
  reader_.set_next_error('C', '9');
  EXPECT_EQ(Tarn_SLE4442Read(port_, 0, 16, out.data()), '9');
  reader_.inject(readersim::Fault::WrongCmEcho);
  EXPECT_EQ(Tarn_SLE4442Read(port_, 0, 16, out.data()), TARN_E_REPLY);
  reader_.set_next_error('B', 0x21);
  unsigned char fuses[3] = {9, 9, 9};
  EXPECT_EQ(Tarn_AT88SC1608ReadFUSE(port_, &fuses[0], &fuses[1], &fuses[2]), 0x21);
  EXPECT_EQ(Bytes(fuses, fuses + 3), Bytes({9, 9, 9}));
  // A refusal without an error byte is never a success.
  reader_.set_next_raw_reply(readersim::encode_reply('N', 'C', '2', Bytes{0x00}));
  EXPECT_EQ(Tarn_SLE4442Read(port_, 0, 16, out.data()), TARN_E_FAMILY);
  reader_.set_next_raw_reply(readersim::encode_reply('X', 'C', '5', Bytes{0x00}));
  EXPECT_EQ(Tarn_SLE4442Write(port_, 0, 1, out.data()), TARN_E_FAMILY);
  // A read reply that the 300-byte buffer cannot hold is refused.
  reader_.set_next_reply('C', Bytes(300, 0x11));
  EXPECT_EQ(Tarn_SLE4442Read(port_, 0, 16, out.data()), TARN_E_REPLY);
  EXPECT_TRUE(out.untouched());
  expect_port_usable();
}

}  // namespace
}  // namespace tarn_test

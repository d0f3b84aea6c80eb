// The virtual memory cards through the library: they behave as the chips do.
#include <string>

#include "card_fixture.h"

namespace tarn_test {
namespace {

using readersim::Position;

const unsigned char kFactoryPsc[] = {0xFF, 0xFF, 0xFF};
const unsigned char kWrongPsc[] = {0x12, 0x34, 0x56};
const unsigned char kHello[] = {'H', 'E', 'L', 'L', 'O'};

TEST_F(CardTest, Sle4442LocksAfterThreeWrongPscs) {
  hold("sle4442_card.json", Position::IcContacts);
  ASSERT_EQ(Tarn_SLE4442Reset(port_), TARN_OK);
  unsigned char security[4];
  const std::uint8_t counters[] = {0x03, 0x01, 0x00};
  const int results[] = {';', ';', '<'};
  for (int attempt = 0; attempt < 3; ++attempt) {
    EXPECT_EQ(Tarn_SLE4442VerifyPWD(port_, kWrongPsc), results[attempt]);
    ASSERT_EQ(Tarn_SLE4442ReadSafety(port_, security), TARN_OK);
    EXPECT_EQ(security[0], counters[attempt]);
  }
  // Locked for good: the right PSC is refused, even after a new reset, and nothing is written.
  EXPECT_EQ(Tarn_SLE4442VerifyPWD(port_, kFactoryPsc), '<');
  ASSERT_EQ(Tarn_SLE4442Reset(port_), TARN_OK);
  EXPECT_EQ(Tarn_SLE4442VerifyPWD(port_, kFactoryPsc), '<');
  EXPECT_EQ(Tarn_SLE4442Write(port_, 0x40, 5, kHello), '=');
  unsigned char read[3];
  ASSERT_EQ(Tarn_SLE4442Read(port_, 0x40, 3, read), TARN_OK);  // reading stays open
  EXPECT_EQ(Bytes(read, read + 3), Bytes({0xFF, 0xFF, 0xFF}));
}

TEST_F(CardTest, Sle4442WritesOnlyAfterThePsc) {
  hold("sle4442_card.json", Position::IcContacts);
  unsigned char read[8];
  EXPECT_EQ(Tarn_SLE4442Read(port_, 0, 4, read), '8');  // not reset: no power
  ASSERT_EQ(Tarn_SLE4442Reset(port_), TARN_OK);
  ASSERT_EQ(Tarn_SLE4442Read(port_, 0, 4, read), TARN_OK);
  EXPECT_EQ(Bytes(read, read + 4), Bytes({0xA2, 0x13, 0x10, 0x91}));
  EXPECT_EQ(Tarn_SLE4442Write(port_, 0x40, 5, kHello), '=');
  EXPECT_EQ(Tarn_SLE4442VerifyPWD(port_, kWrongPsc), ';');
  ASSERT_EQ(Tarn_SLE4442VerifyPWD(port_, kFactoryPsc), TARN_OK);
  unsigned char security[4];
  ASSERT_EQ(Tarn_SLE4442ReadSafety(port_, security), TARN_OK);
  EXPECT_EQ(Bytes(security, security + 4), Bytes({0x07, 0xFF, 0xFF, 0xFF}));

  ASSERT_EQ(Tarn_SLE4442Write(port_, 0x40, 5, kHello), TARN_OK);
  ASSERT_EQ(Tarn_SLE4442Read(port_, 0x40, 5, read), TARN_OK);
  EXPECT_EQ(Bytes(read, read + 5), Bytes(kHello, kHello + 5));
  EXPECT_EQ(Tarn_SLE4442Write(port_, 0xFE, 5, kHello), '>');

  const unsigned char new_psc[] = {0x01, 0x02, 0x03};
  ASSERT_EQ(Tarn_SLE4442ChangePWD(port_, new_psc), TARN_OK);
  ASSERT_EQ(Tarn_SLE4442Reset(port_), TARN_OK);
  EXPECT_EQ(Tarn_SLE4442Write(port_, 0x40, 5, kHello), '=');  // a reset forgets the PSC
  EXPECT_EQ(Tarn_SLE4442VerifyPWD(port_, kFactoryPsc), ';');
  EXPECT_EQ(Tarn_SLE4442VerifyPWD(port_, new_psc), TARN_OK);
}

TEST_F(CardTest, Sle4442ProtectedBytesKeepTheirValue) {
  hold("sle4442_card.json", Position::IcContacts);
  ASSERT_EQ(Tarn_SLE4442Reset(port_), TARN_OK);
  ASSERT_EQ(Tarn_SLE4442VerifyPWD(port_, kFactoryPsc), TARN_OK);
  const unsigned char zero = 0x00, atr0 = 0xA2;
  EXPECT_EQ(Tarn_SLE4442Write(port_, 0, 1, &zero), '=');  // byte 0 is protected
  EXPECT_EQ(Tarn_SLE4442Write(port_, 0, 1, &atr0), TARN_OK);

  // Protection compares with the memory first: only matching bytes get protected.
  const unsigned char erased[] = {0xFF, 0xFF};
  EXPECT_EQ(Tarn_SLE4442WriteProtectBit(port_, 8, 1, &zero), '=');
  ASSERT_EQ(Tarn_SLE4442WriteProtectBit(port_, 8, 2, erased), TARN_OK);
  EXPECT_EQ(Tarn_SLE4442WriteProtectBit(port_, 31, 2, erased), '>');
  Guarded<32> bits;
  ASSERT_EQ(Tarn_SLE4442ReadProtectBit(port_, bits.data()), TARN_OK);
  EXPECT_EQ(Bytes(bits.bytes.begin(), bits.bytes.begin() + 12),
            Bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1}));
  EXPECT_TRUE(bits.canaries_intact());
  EXPECT_EQ(Tarn_SLE4442Write(port_, 8, 1, &zero), '=');
}

TEST_F(CardTest, ChipCommandsNeedTheirChipAtTheContacts) {
  unsigned char out[8];
  EXPECT_EQ(Tarn_SLE4442Reset(port_), '3');  // no card
  hold("sle4442_card.json", Position::ReadHead);
  EXPECT_EQ(Tarn_SLE4442Reset(port_), '4');
  hold("sle4442_card.json", Position::IcContacts);
  EXPECT_EQ(Tarn_Sle4428Reset(port_), '7');  // another chip kind
  EXPECT_EQ(Tarn_AT24CXXRead(port_, 2, 0, 1, out), '7');
  ASSERT_EQ(Tarn_SLE4442Reset(port_), TARN_OK);
  ASSERT_EQ(Tarn_MoveCard(port_, '1'), TARN_OK);  // leaving the contacts cuts the power
  ASSERT_EQ(Tarn_MoveCard(port_, '2'), TARN_OK);
  EXPECT_EQ(Tarn_SLE4442Read(port_, 0, 1, out), '8');
}

TEST_F(CardTest, Sle4428ProtectsByteByByte) {
  hold("sle4428_card.json", Position::IcContacts);
  const unsigned char psc[] = {0xFF, 0xFF}, wrong[] = {0, 0};
  ASSERT_EQ(Tarn_Sle4428Reset(port_), TARN_OK);
  for (int attempt = 1; attempt < 8; ++attempt) EXPECT_EQ(Tarn_Sle4428VerifyPWD(port_, wrong), ';');
  ASSERT_EQ(Tarn_Sle4428VerifyPWD(port_, psc), TARN_OK);  // the eighth attempt still counts
  ASSERT_EQ(Tarn_Sle4428Write(port_, 0x3FB, 5, kHello), TARN_OK);
  EXPECT_EQ(Tarn_Sle4428Write(port_, 0x3FC, 5, kHello), '>');
  ASSERT_EQ(Tarn_Sle4428WriteP(port_, 0x200, 2, kHello), TARN_OK);
  Guarded<4> bits;
  ASSERT_EQ(Tarn_Sle4428ReadProtectBit(port_, 0x1FF, 4, bits.data()), TARN_OK);
  EXPECT_EQ(Bytes(bits.bytes.begin(), bits.bytes.begin() + 4), Bytes({1, 0, 0, 1}));
  EXPECT_TRUE(bits.canaries_intact());
  EXPECT_EQ(Tarn_Sle4428Write(port_, 0x201, 1, kHello), '=');  // protected, another value
  unsigned char read[5];
  ASSERT_EQ(Tarn_Sle4428Read(port_, 0x3FB, 5, read), TARN_OK);
  EXPECT_EQ(Bytes(read, read + 5), Bytes(kHello, kHello + 5));
}

TEST_F(CardTest, At24cSizeFollowsTheChipTypeByte) {
  hold("at24c02_card.json", Position::IcContacts);
  Guarded<8> read;
  ASSERT_EQ(Tarn_AT24CXXRead(port_, 2, 0x10, 8, read.data()), TARN_OK);  // no reset needed
  EXPECT_EQ(std::string(read.bytes.begin(), read.bytes.begin() + 8), "12345678");
  EXPECT_TRUE(read.canaries_intact());
  EXPECT_EQ(Tarn_AT24CXXRead(port_, 4, 0x10, 8, read.data()), '7');  // a 24C04 is not there
  EXPECT_EQ(Tarn_AT24CXXRead(port_, 3, 0x10, 8, read.data()), '2');  // no such type
  EXPECT_EQ(Tarn_AT24CXXRead(port_, 2, 0xFC, 5, read.data()), '>');
  ASSERT_EQ(Tarn_AT24CXXWrite(port_, 2, 0xFB, 5, kHello), TARN_OK);
  ASSERT_EQ(Tarn_AT24CXXRead(port_, 2, 0xFB, 5, read.data()), TARN_OK);
  EXPECT_EQ(Bytes(read.bytes.begin(), read.bytes.begin() + 5), Bytes(kHello, kHello + 5));
}

TEST_F(CardTest, At45db041KeepsWholePages) {
  hold("at45db041_card.json", Position::IcContacts);
  Guarded<264> page;
  EXPECT_EQ(Tarn_AT45DB041Read(port_, 0, page.data()), '8');
  ASSERT_EQ(Tarn_AT45DB041Reset(port_), TARN_OK);
  ASSERT_EQ(Tarn_AT45DB041Read(port_, 0, page.data()), TARN_OK);
  EXPECT_EQ(std::string(page.bytes.begin(), page.bytes.begin() + 12), "FLASH PAGE 0");
  EXPECT_EQ(page.bytes[263], 0xFF);
  EXPECT_TRUE(page.canaries_intact());
  Bytes data(264);
  for (std::size_t k = 0; k < data.size(); ++k) data[k] = static_cast<std::uint8_t>(k * 7);
  ASSERT_EQ(Tarn_AT45DB041Write(port_, 2047, data.data()), TARN_OK);
  ASSERT_EQ(Tarn_AT45DB041Read(port_, 2047, page.data()), TARN_OK);
  EXPECT_EQ(Bytes(page.bytes.begin(), page.bytes.begin() + 264), data);
  EXPECT_EQ(Tarn_AT45DB041Read(port_, 2048, page.data()), '>');
}

TEST_F(CardTest, At88sc102ZonesOpenWithTheSecurityCode) {
  hold("at88sc102_card.json", Position::IcContacts);
  const unsigned char code[] = {0xF0, 0xF0}, wrong[] = {0, 0};
  const unsigned char zone1_key[] = {0x11, 0x11, 0x11, 0x11, 0x11, 0x11};
  ASSERT_EQ(Tarn_AT88SC102Reset(port_), TARN_OK);
  EXPECT_EQ(Tarn_AT88SC102Write(port_, 22, 5, kHello), '=');
  EXPECT_EQ(Tarn_AT88SC102VerifyPWD(port_, wrong), ';');
  ASSERT_EQ(Tarn_AT88SC102VerifyPWD(port_, code), TARN_OK);
  ASSERT_EQ(Tarn_AT88SC102Write(port_, 22, 5, kHello), TARN_OK);
  EXPECT_EQ(Tarn_AT88SC102Write(port_, 0, 1, kHello), '=');   // fabrication zone
  EXPECT_EQ(Tarn_AT88SC102Write(port_, 84, 3, kHello), '=');  // runs into the zone 1 key
  unsigned char read[6];
  ASSERT_EQ(Tarn_AT88SC102Read(port_, 22, 5, read), TARN_OK);
  EXPECT_EQ(Bytes(read, read + 5), Bytes(kHello, kHello + 5));

  const unsigned char wrong_key[] = {0x11, 0x11, 0x11, 0x11, 0x11, 0x12};
  EXPECT_EQ(Tarn_AT88SC102Security2ErasureApp1(port_, wrong_key), ';');
  ASSERT_EQ(Tarn_AT88SC102Security2ErasureApp1(port_, zone1_key), TARN_OK);
  ASSERT_EQ(Tarn_AT88SC102Read(port_, 22, 5, read), TARN_OK);
  EXPECT_EQ(Bytes(read, read + 5), Bytes(5, 0xFF));

  // In the security mode the issuer zone is closed and the keys read as FF.
  ASSERT_EQ(Tarn_AT88SC102Read(port_, 86, 6, read), TARN_OK);
  EXPECT_EQ(Bytes(read, read + 6), Bytes(zone1_key, zone1_key + 6));
  ASSERT_EQ(Tarn_AT88SC102SetMode(port_, '1'), TARN_OK);
  EXPECT_EQ(Tarn_AT88SC102SetMode(port_, '0'), '=');
  ASSERT_EQ(Tarn_AT88SC102Read(port_, 86, 6, read), TARN_OK);
  EXPECT_EQ(Bytes(read, read + 6), Bytes(6, 0xFF));
  EXPECT_EQ(Tarn_AT88SC102Write(port_, 2, 1, kHello), '=');

  const unsigned char new_code[] = {0x12, 0x34};
  ASSERT_EQ(Tarn_AT88SC102WritePWD(port_, '0', new_code), TARN_OK);
  ASSERT_EQ(Tarn_AT88SC102Reset(port_), TARN_OK);
  EXPECT_EQ(Tarn_AT88SC102VerifyPWD(port_, code), ';');
  EXPECT_EQ(Tarn_AT88SC102VerifyPWD(port_, new_code), TARN_OK);
}

TEST_F(CardTest, At88sc102CountsZone2Erasures) {
  hold("at88sc102_card.json", Position::IcContacts);
  const unsigned char code[] = {0xF0, 0xF0}, key[] = {0x22, 0x22, 0x22, 0x22};
  ASSERT_EQ(Tarn_AT88SC102Reset(port_), TARN_OK);
  ASSERT_EQ(Tarn_AT88SC102VerifyPWD(port_, code), TARN_OK);
  EXPECT_EQ(Tarn_AT88SC102Security2ErasureApp2(port_, '1', key), '2');  // the zone is "2"
  for (int erasure = 0; erasure < 128; ++erasure)
    ASSERT_EQ(Tarn_AT88SC102Security2ErasureApp2(port_, '2', key), TARN_OK) << erasure;
  EXPECT_EQ(Tarn_AT88SC102Security2ErasureApp2(port_, '2', key), '<');
  ASSERT_EQ(Tarn_AT88SC102DisableEC2(port_), TARN_OK);
  EXPECT_EQ(Tarn_AT88SC102Security2ErasureApp2(port_, '2', key), TARN_OK);
}

TEST_F(CardTest, At88sc1604ZonePasswordsOpenTheirZone) {
  hold("at88sc1604_card.json", Position::IcContacts);
  const unsigned char zone2[] = {0x22, 0x22}, code[] = {0xFF, 0xFF};
  ASSERT_EQ(Tarn_AT88SC1604Reset(port_), TARN_OK);
  ASSERT_EQ(Tarn_AT88SC1604VerifyPWD(port_, '2', zone2), TARN_OK);
  const int zone2_start = 0x80 + 0x1E0;
  ASSERT_EQ(Tarn_AT88SC1604Write(port_, zone2_start, 5, kHello), TARN_OK);
  EXPECT_EQ(Tarn_AT88SC1604Write(port_, 0x80, 5, kHello), '=');             // zone 1
  EXPECT_EQ(Tarn_AT88SC1604Write(port_, zone2_start - 2, 5, kHello), '>');  // two zones
  EXPECT_EQ(Tarn_AT88SC1604VerifyPWD(port_, '5', zone2), '2');
  unsigned char read[5];
  ASSERT_EQ(Tarn_AT88SC1604Read(port_, zone2_start, 5, read), TARN_OK);
  EXPECT_EQ(Bytes(read, read + 5), Bytes(kHello, kHello + 5));
  ASSERT_EQ(Tarn_AT88SC1604Erasure(port_, zone2_start, 2), TARN_OK);
  ASSERT_EQ(Tarn_AT88SC1604Read(port_, zone2_start, 3, read), TARN_OK);
  EXPECT_EQ(Bytes(read, read + 3), Bytes({0xFF, 0xFF, 'L'}));

  // The security code opens every area until personalization.
  ASSERT_EQ(Tarn_AT88SC1604VerifyPWD(port_, '0', code), TARN_OK);
  ASSERT_EQ(Tarn_AT88SC1604Write(port_, 0x80, 5, kHello), TARN_OK);
  ASSERT_EQ(Tarn_AT88SC1604Personalization(port_, '1'), TARN_OK);
  EXPECT_EQ(Tarn_AT88SC1604Write(port_, 0x80, 5, kHello), '=');
  EXPECT_EQ(Tarn_AT88SC1604Write(port_, zone2_start, 5, kHello), TARN_OK);
}

TEST_F(CardTest, At88sc1608NeedsAuthenticationAndZonePasswords) {
  hold("at88sc1608_card.json", Position::IcContacts);
  unsigned char read[6];
  ASSERT_EQ(Tarn_AT88SC1608Reset(port_), TARN_OK);
  EXPECT_EQ(Tarn_AT88SC1608Read(port_, 0, 0, 6, read), '=');
  ASSERT_EQ(Tarn_AT88SC1608Read(port_, 8, 0, 6, read), TARN_OK);  // configuration zone
  const unsigned char challenge[8] = {1, 1, 1, 1, 1, 1, 1, 1};
  const unsigned char secret[8] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
  unsigned char answer[8];
  for (int k = 0; k < 8; ++k) answer[k] = secret[k] ^ challenge[k];
  EXPECT_EQ(Tarn_AT88SC1608VerifyAuth(port_, answer), '=');  // no challenge yet
  ASSERT_EQ(Tarn_AT88SC1608InitAuth(port_, challenge), TARN_OK);
  EXPECT_EQ(Tarn_AT88SC1608VerifyAuth(port_, secret), ';');
  ASSERT_EQ(Tarn_AT88SC1608InitAuth(port_, challenge), TARN_OK);
  ASSERT_EQ(Tarn_AT88SC1608VerifyAuth(port_, answer), TARN_OK);
  ASSERT_EQ(Tarn_AT88SC1608Read(port_, 0, 0, 6, read), TARN_OK);
  EXPECT_EQ(std::string(read, read + 6), "ZONE 0");

  const unsigned char zone3[] = {0x33, 0x33, 0x33};
  EXPECT_EQ(Tarn_AT88SC1608Write(port_, 3, 0xFB, 5, kHello), '=');
  ASSERT_EQ(Tarn_AT88SC1608VerifyPWD(port_, '3', zone3), TARN_OK);
  ASSERT_EQ(Tarn_AT88SC1608Write(port_, 3, 0xFB, 5, kHello), TARN_OK);
  EXPECT_EQ(Tarn_AT88SC1608Write(port_, 3, 0xFC, 5, kHello), '>');
  EXPECT_EQ(Tarn_AT88SC1608Write(port_, 9, 0, 1, kHello), '>');
  EXPECT_EQ(Tarn_AT88SC1608Write(port_, 4, 0, 5, kHello), '=');
}

TEST_F(CardTest, At88sc1608FusesBlowInOrderWithTheSecureCode) {
  hold("at88sc1608_card.json", Position::IcContacts);
  const unsigned char secure[] = {0x77, 0x77, 0x77};
  unsigned char fab = 9, cma = 9, per = 9;
  ASSERT_EQ(Tarn_AT88SC1608Reset(port_), TARN_OK);
  EXPECT_EQ(Tarn_AT88SC1608WriteFUSE(port_), '=');
  ASSERT_EQ(Tarn_AT88SC1608VerifyPWD(port_, '7', secure), TARN_OK);
  ASSERT_EQ(Tarn_AT88SC1608Write(port_, 8, 0x10, 5, kHello), TARN_OK);
  const Bytes expected[] = {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}};
  for (const Bytes& fuses : expected) {
    ASSERT_EQ(Tarn_AT88SC1608WriteFUSE(port_), TARN_OK);
    ASSERT_EQ(Tarn_AT88SC1608ReadFUSE(port_, &fab, &cma, &per), TARN_OK);
    EXPECT_EQ(Bytes({fab, cma, per}), fuses);
  }
  EXPECT_EQ(Tarn_AT88SC1608WriteFUSE(port_), '=');
  EXPECT_EQ(Tarn_AT88SC1608Write(port_, 8, 0x10, 5, kHello), '=');  // PER closes the zone
}

}  // namespace
}  // namespace tarn_test

// The PBOC payment behaviour of the shipped debit card: cryptograms under its test key, issuer
// authentication, the balance update script, the transaction log and the counter across power
// cycles.
#include <gtest/gtest.h>

#include <string>

#include "hex_bytes.h"
#include "readersim/card.h"
#include "readersim/pboc_keys.h"

namespace readersim_test {
namespace {

using readersim::Bytes;
namespace pboc = readersim::pboc;

using test_support::cat;
using test_support::hex;

Bytes status_of(const Bytes& r) {
  return Bytes(r.end() - 2, r.end());
}

// CDOL1 data of the debit card (52 bytes): amount 123.45, other 0, country and currency 0156,
// TVR, date 2026-12-11, type 00, unpredictable number, time 10:20:30, merchant name.
const Bytes kAmount = hex("00 00 00 01 23 45");
const Bytes kCdol1Data =
    cat(cat(kAmount, hex("000000000000 0156 0000000000 0156 261211 00 0A0B0C0D "
                         "102030")),
        Bytes{'T', 'E', 'S', 'T', ' ', 'S', 'H', 'O', 'P', ' ',
              ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '});
// The same fields as field 55 carries them, in the order the cryptograms cover.
const Bytes kCryptogramData =
    hex("000000012345 000000000000 0156 0000000000 0156 261211 00 0A0B0C0D");

class PaymentCardTest : public ::testing::Test {
 protected:
  PaymentCardTest()
      : chip_(*readersim::load_card(readersim::cards_dir() / "pboc_debit_card.json").contact) {
    power_up();
  }

  void power_up() {
    session_ = {};
    session_.powered = true;
    send("00 A4 04 00 08 A000000333010101 00");
  }
  Bytes send(const Bytes& apdu) { return readersim::answer_apdu(chip_, session_, apdu); }
  Bytes send(const std::string& apdu) { return send(hex(apdu)); }

  const Bytes& key() const { return chip_.dfs[1].payment->key; }

  // First GENERATE AC; returns the ARQC after checking the reply's layout.
  pboc::Cryptogram request(std::uint16_t atc) {
    const Bytes reply = send(cat(hex("80 AE 80 00 34"), kCdol1Data));
    EXPECT_EQ(reply.size(), 34u);
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 5),
              cat(hex("80 1E 80"),
                  {static_cast<std::uint8_t>(atc >> 8), static_cast<std::uint8_t>(atc)}));
    EXPECT_EQ(status_of(reply), hex("90 00"));
    pboc::Cryptogram arqc{};
    std::copy_n(reply.begin() + 5, arqc.size(), arqc.begin());
    return arqc;
  }
  Bytes authenticate(const pboc::Cryptogram& arpc, const pboc::Arc& arc) {
    return send(cat(cat(hex("00 82 00 00 0A"), Bytes(arpc.begin(), arpc.end())),
                    Bytes(arc.begin(), arc.end())));
  }
  // Second GENERATE AC in the form the kernel sends for this card: ARC, then the CDOL1 data.
  Bytes complete(const pboc::Arc& arc) {
    return send(cat(cat(hex("80 AE 40 00 36"), Bytes(arc.begin(), arc.end())), kCdol1Data));
  }
  // A whole approved transaction; returns its ARQC.
  pboc::Cryptogram approved_transaction(std::uint16_t atc) {
    const pboc::Cryptogram arqc = request(atc);
    EXPECT_EQ(
        authenticate(pboc::response_cryptogram(key(), arqc, pboc::kApproved), pboc::kApproved),
        hex("90 00"));
    EXPECT_EQ(complete(pboc::kApproved)[2], 0x40);
    return arqc;
  }

  readersim::Chip chip_;
  readersim::ChipSession session_;
};

TEST_F(PaymentCardTest, ApprovedTransactionCountsLogsAndTakesTheIssuersBalance) {
  EXPECT_EQ(send("80 CA 9F 36 00"), hex("9F 36 02 00 00 90 00"));
  EXPECT_EQ(send("80 CA 9F 79 00"), hex("9F 79 06 00 00 00 01 00 00 90 00"));
  const pboc::Cryptogram arqc = request(1);
  EXPECT_EQ(arqc, pboc::request_cryptogram(key(), kCryptogramData, 1));
  EXPECT_EQ(authenticate(pboc::response_cryptogram(key(), arqc, pboc::kApproved), pboc::kApproved),
            hex("90 00"));
  const Bytes tc = complete(pboc::kApproved);
  EXPECT_EQ(Bytes(tc.begin(), tc.begin() + 5), hex("80 1E 40 00 01"));
  const pboc::Cryptogram certificate = pboc::certificate(key(), kCryptogramData, 1);
  EXPECT_EQ(Bytes(tc.begin() + 5, tc.begin() + 13), Bytes(certificate.begin(), certificate.end()));

  const Bytes script =
      pboc::put_balance_command(key(), *pboc::balance_from_digits("50000"), 1, arqc);
  EXPECT_EQ(send(script), hex("90 00"));
  EXPECT_EQ(send("80 CA 9F 79 00"), hex("9F 79 06 00 00 00 05 00 00 90 00"));
  EXPECT_EQ(send("80 CA 9F 36 00"), hex("9F 36 02 00 01 90 00"));

  const Bytes record = send("00 B2 01 5C 00");
  ASSERT_EQ(record.size(), 45u + 2);
  EXPECT_EQ(Bytes(record.begin(), record.begin() + 22),
            hex("261211 102030 000000012345 000000000000 0156 0156"));
  EXPECT_EQ(std::string(record.begin() + 22, record.begin() + 31), "TEST SHOP");
  EXPECT_EQ(Bytes(record.begin() + 42, record.end()), hex("00 00 01 90 00"));
  EXPECT_EQ(status_of(send("00 B2 02 5C 00")), hex("6A 83"));
}

TEST_F(PaymentCardTest, IssuerNotAuthenticatedOrDecliningGivesAnAacAndNoLog) {
  struct Case {
    const char* what;
    bool right_arpc;
    pboc::Arc arc;
    Bytes authentication_status;
  };
  const Case cases[] = {{"wrong ARPC", false, pboc::kApproved, hex("63 00")},
                        {"issuer declines", true, pboc::kDeclined, hex("90 00")}};
  std::uint16_t atc = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    power_up();
    const pboc::Cryptogram arqc = request(++atc);
    pboc::Cryptogram arpc = pboc::response_cryptogram(key(), arqc, c.arc);
    if (!c.right_arpc) arpc[0] ^= 1;
    EXPECT_EQ(authenticate(arpc, c.arc), c.authentication_status);
    EXPECT_EQ(complete(c.arc)[2], 0x00);
    EXPECT_EQ(status_of(send("00 B2 01 5C 00")), hex("6A 83"));
  }
}

TEST_F(PaymentCardTest, ArcInTheSecondGenerateAcMustMatchTheAuthenticatedOne) {
  const pboc::Cryptogram arqc = request(1);
  EXPECT_EQ(authenticate(pboc::response_cryptogram(key(), arqc, pboc::kApproved), pboc::kApproved),
            hex("90 00"));
  EXPECT_EQ(complete(pboc::kDeclined)[2], 0x00);
}

TEST_F(PaymentCardTest, CommandsOutOfOrderOrMalformedAreRefused) {
  EXPECT_EQ(authenticate({}, pboc::kApproved), hex("69 85")) << "no transaction";
  EXPECT_EQ(send("84 DA 9F 79 0A 00000005000000000000"), hex("69 85")) << "script, no transaction";
  EXPECT_EQ(send("80 AE 80 00 02 00 00"), hex("67 00")) << "CDOL1 data of the wrong length";
  const pboc::Cryptogram arqc = request(1);
  EXPECT_EQ(send("00 82 00 00 02 30 30"), hex("67 00"));
  EXPECT_EQ(authenticate({}, pboc::kApproved), hex("63 00"));
  EXPECT_EQ(authenticate(pboc::response_cryptogram(key(), arqc, pboc::kApproved), pboc::kApproved),
            hex("69 85"))
      << "one attempt per transaction";
  EXPECT_EQ(send("80 AE 40 00 02 30 30"), hex("67 00")) << "CDOL2 data of the wrong length";
  EXPECT_EQ(complete(pboc::kApproved)[2], 0x00);
  EXPECT_EQ(complete(pboc::kApproved), hex("69 85")) << "transaction already completed";
}

TEST_F(PaymentCardTest, ScriptWithABadMacOrBadDigitsLeavesTheBalance) {
  const pboc::Cryptogram arqc = approved_transaction(1);
  Bytes forged = pboc::put_balance_command(key(), *pboc::balance_from_digits("999999"), 1, arqc);
  forged[5] = 0x01;  // balance changed after the MAC was made
  EXPECT_EQ(send(forged), hex("69 88"));
  const pboc::Balance not_bcd{0, 0, 0, 0, 0, 0x0A};
  EXPECT_EQ(send(pboc::put_balance_command(key(), not_bcd, 1, arqc)), hex("6A 80"));
  const Bytes stale = pboc::put_balance_command(key(), *pboc::balance_from_digits("1"), 0, arqc);
  EXPECT_EQ(send(stale), hex("69 88")) << "MAC for another transaction";
  EXPECT_EQ(send("84 DA 9F 36 0A 00000005000000000000"), hex("6A 88"));
  EXPECT_EQ(send("80 CA 9F 79 00"), hex("9F 79 06 00 00 00 01 00 00 90 00"));
}

TEST_F(PaymentCardTest, CounterBalanceAndLogOutliveAPowerCycleAndTheLogKeepsTheNewest) {
  for (std::uint16_t atc = 1; atc <= 11; ++atc) {
    approved_transaction(atc);
    power_up();
  }
  EXPECT_EQ(send("80 CA 9F 36 00"), hex("9F 36 02 00 0B 90 00"));
  EXPECT_EQ(send("00 B2 01 5C 00")[44], 11) << "record 1 is the newest";
  EXPECT_EQ(send("00 B2 0A 5C 00")[44], 2);
  EXPECT_EQ(status_of(send("00 B2 0B 5C 00")), hex("6A 83")) << "ten records kept";
  EXPECT_EQ(complete(pboc::kApproved), hex("67 00")) << "a new power-up starts afresh";
}

TEST(PaymentCardFile, BadPaymentKeysAreRefused) {
  const char* const cases[] = {
      R"({"key": "00 11"})",
      R"({"key": "00112233445566778899AABBCCDDEEFF", "balance": "00 00 00 00 00 0F"})",
      R"({"key": "00112233445566778899AABBCCDDEEFF", "balance": "00 01"})",
      R"({"key": "00112233445566778899AABBCCDDEEFF", "atc": 65535})",
      R"({"key": "00112233445566778899AABBCCDDEEFF", "log_records": 100})",
      R"({"key": "00112233445566778899AABBCCDDEEFF", "pin": "1234"})",
  };
  for (const char* payment : cases) {
    SCOPED_TRACE(payment);
    const std::string card =
        std::string(R"({"contact": {"atr": "3B 00", "dfs": [{"name": "A0 00",)") +
        R"("payment": )" + payment + "}]}}";
    EXPECT_THROW(readersim::parse_card(card), readersim::CardError);
  }
}

}  // namespace
}  // namespace readersim_test

// A whole online PBOC transaction through the bridge on the virtual reader: field 55, the issuer
// side with the card's test key, issuer authentication and balance script; the card's counter,
// balance and log afterwards; and the issuer's refusal of a field 55 it cannot verify.
#include <algorithm>
#include <string>

#include "Ferro.h"
#include "issuer.h"
#include "readersim/card.h"
#include "wire_fixture.h"

namespace tarn_test {
namespace {

namespace pboc = readersim::pboc;
using tarn_tool::IssuerDecision;
using tarn_tool::IssuerRefusal;

const unsigned char kAmount[6] = {0x00, 0x00, 0x00, 0x01, 0x23, 0x45};

readersim::Card card(const char* file) {
  return readersim::load_card(readersim::cards_dir() / file);
}

class PbocTransactionTest : public WireTest {
 protected:
  void present(const char* file, readersim::Position where) {
    card_ = card(file);
    reader_.place_card(card_, where);
  }

  Bytes field55(bool contactless = false) {
    unsigned char pan_sequence = 0;
    unsigned char track2[40];
    int track2_length = 0;
    std::array<unsigned char, 178> data{};
    int length = 0;
    const auto get = contactless ? Tarn_CPUTypeAPBOCGet55FieldData : Tarn_PBOCGet55FieldData;
    EXPECT_EQ(get(port_, 0, kAmount, &pan_sequence, track2, &track2_length, data.data(), &length),
              0);
    return Bytes(data.begin(), data.begin() + std::max(length, 0));
  }

  // The application's state as the reader holds it.
  readersim::PaymentApplication application(bool contactless = false) const {
    const auto state = reader_.state();
    const auto& chip = contactless ? state.card->card.contactless : state.card->card.contact;
    return *chip->dfs[1].payment;
  }
  std::vector<Bytes> log_records(bool contactless = false) const {
    const auto state = reader_.state();
    const auto& chip = contactless ? state.card->card.contactless : state.card->card.contact;
    for (const auto& ef : chip->dfs[1].files)
      if (ef.sfi == readersim::kLogSfi) return ef.records;
    return {};
  }

  std::string answer(const Bytes& f55, const IssuerDecision& decision) {
    return tarn_tool::issuer_answer(tarn_tool::card_key(card_), f55, decision);
  }

  readersim::Card card_;
};

TEST_F(PbocTransactionTest, ApprovedTransactionRaisesTheCounterSetsTheBalanceAndLogs) {
  present("pboc_debit_card.json", readersim::Position::IcContacts);
  const Bytes f55 = field55();
  ASSERT_EQ(f55.size(), 108u);
  EXPECT_EQ(application().atc, 1);
  std::array<unsigned char, 99> result{};
  ASSERT_EQ(pboc_arqcexeicscript(answer(f55, {true, pboc::balance_from_digits("50000")}).c_str(),
                                 result.data()),
            0);
  EXPECT_EQ(Bytes(result.end() - 4, result.end()), Bytes({0x9F, 0x27, 0x01, 0x40})) << "a TC";

  EXPECT_EQ(application().balance, (pboc::Balance{0, 0, 0, 5, 0, 0}));
  ASSERT_EQ(log_records().size(), 1u);
  unsigned char balance[6] = {};
  EXPECT_EQ(Tarn_ElectronicBalance(port_, balance), 0);
  EXPECT_EQ(Bytes(balance, balance + 6), Bytes({0, 0, 0, 5, 0, 0}));
  std::string records(5 + 107, '\0');
  ASSERT_EQ(Tarn_GetTradeRecord(port_, records.data()), 0);
  EXPECT_EQ(records.substr(0, 21), "01107P012000000012345");
  EXPECT_EQ(records.substr(records.size() - 9), "X00500001");

  field55();
  EXPECT_EQ(application().atc, 2) << "the next transaction counts on";
}

TEST_F(PbocTransactionTest, DeclinedOrForgedAnswerLeavesBalanceAndLog) {
  present("pboc_debit_card.json", readersim::Position::IcContacts);
  std::array<unsigned char, 99> result{};
  const Bytes f55 = field55();
  ASSERT_EQ(pboc_arqcexeicscript(answer(f55, {false, std::nullopt}).c_str(), result.data()), 0);
  EXPECT_EQ(result.back(), 0x00) << "an AAC";

  field55();
  const std::string forged = "910A00112233445566773030";  // ARPC under no key, ARC "00"
  EXPECT_EQ(pboc_arqcexeicscript(forged.c_str(), result.data()), 2) << "ARPC refused";
  EXPECT_EQ(application().atc, 2);
  EXPECT_EQ(application().balance, (pboc::Balance{0, 0, 0, 1, 0, 0}));
  EXPECT_TRUE(log_records().empty());
}

TEST_F(PbocTransactionTest, ContactlessCardCompletesWithItsOwnKey) {
  present("pboc_contactless_card.json", readersim::Position::RfField);
  const Bytes f55 = field55(true);
  ASSERT_FALSE(f55.empty());
  std::array<unsigned char, 99> result{};
  EXPECT_EQ(pboc_arqcexeicscript(answer(f55, {true, pboc::balance_from_digits("700")}).c_str(),
                                 result.data()),
            0);
  EXPECT_EQ(application(true).balance, (pboc::Balance{0, 0, 0, 0, 0x07, 0}));
  EXPECT_EQ(log_records(true).size(), 1u);
}

TEST_F(PbocTransactionTest, IssuerRefusesAFieldFiftyFiveItCannotVerify) {
  present("pboc_debit_card.json", readersim::Position::IcContacts);
  const Bytes f55 = field55();
  const auto key = tarn_tool::card_key(card_);
  EXPECT_NO_THROW(tarn_tool::issuer_answer(key, f55, {}));
  const auto at = [&](std::initializer_list<std::uint8_t> tag) {
    return static_cast<std::size_t>(std::search(f55.begin(), f55.end(), tag.begin(), tag.end()) -
                                    f55.begin()) +
           tag.size() + 1;
  };
  struct Case {
    const char* what;
    std::size_t offset;  // byte changed
  };
  const Case cases[] = {
      {"amount raised", at({0x9F, 0x02}) + 5},
      {"currency changed", at({0x5F, 0x2A})},
      {"unpredictable number changed", at({0x9F, 0x37})},
      {"counter changed", at({0x9F, 0x36}) + 1},
      {"cryptogram changed", at({0x9F, 0x26})},
      {"not an ARQC", at({0x9F, 0x27})},
      {"tag 9F02 renamed", at({0x9F, 0x02}) - 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes tampered = f55;
    tampered[c.offset] ^= 0x01;
    EXPECT_THROW(tarn_tool::issuer_answer(key, tampered, {}), IssuerRefusal);
  }
  EXPECT_THROW(tarn_tool::issuer_answer(key, Bytes(f55.begin(), f55.begin() + 40), {}),
               IssuerRefusal)
      << "cut short";
  EXPECT_THROW(
      tarn_tool::issuer_answer(tarn_tool::card_key(card("pboc_contactless_card.json")), f55, {}),
      IssuerRefusal)
      << "another card's key";
}

}  // namespace
}  // namespace tarn_test

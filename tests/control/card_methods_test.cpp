// The card methods inside the test process: the arguments they give the card-reader library and
// what they make of its answers (through the recording double), and the same methods end to end
// on the virtual reader.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <future>
#include <string>
#include <vector>

#include "automation/dispatch.h"
#include "card_library_double.h"
#include "corvi_ctrl.h"
#include "framework/object_factory.h"
#include "readersim/virtual_reader.h"

namespace {

using automation::Variant;
using corvi_test::CardScript;
using Calls = std::vector<std::string>;

const Calls kEntrySequence{"CommOpen(COM3)", "CheckCardPosition", "EnterCard(0x31, 30000)",
                           "CommClose"};

Variant text_variant(std::u16string_view text) {
  Variant v;
  EXPECT_EQ(v.set_string(text), automation::S_OK);
  return v;
}

class CardMethods : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("TARN_DRIVE_D", "/nonexistent/tarn-drive", 1);
    automation::ComPtr<automation::IUnknown> object(framework::create_object<corvi::CCorviCtrl>());
    ASSERT_TRUE(object);
    ASSERT_EQ(object->QueryInterface(automation::IDispatch::iid, control_.put_void()),
              automation::S_OK);
  }

  Variant call(const char* method, Variant port) {
    automation::DISPID id = 0;
    EXPECT_EQ(control_->GetIDsOfNames(method, &id), automation::S_OK);
    std::vector<Variant> args;
    args.push_back(std::move(port));
    Variant result;
    EXPECT_EQ(control_->Invoke(id, args, &result), automation::S_OK) << method;
    return result;
  }
  std::uint8_t status(const char* method, std::u16string_view port = u"COM3") {
    return call(method, text_variant(port)).ui1();
  }
  // The string ReadMagcard returns; nothing for the null string.
  std::optional<std::u16string> stripe(std::u16string_view port = u"COM3") {
    const Variant result = call("ReadMagcard", text_variant(port));
    EXPECT_EQ(result.type(), automation::VarType::Bstr);
    if (result.bstr() == nullptr) return std::nullopt;
    return std::u16string(automation::bstr_view(result.bstr()));
  }

  corvi_test::CardLibraryDouble library_;
  automation::ComPtr<automation::IDispatch> control_;
};

TEST_F(CardMethods, EnterCardWaitsThirtySecondsForACardAndMapsTheEntryResult) {
  const struct {
    int enter_result;
    std::uint8_t status;
  } cases[] = {{TARN_OK, '0'}, {TARN_E_ENTRY, '5'}, {TARN_E_REPLY, 0x00}, {'4', 0x00}};
  for (const auto& c : cases) {
    corvi_test::CardLibraryDouble library;
    library.script({.position = '5', .enter_result = c.enter_result});
    EXPECT_EQ(status("EnterCard"), c.status) << c.enter_result;
    EXPECT_EQ(library.calls(), kEntrySequence);
  }
}

TEST_F(CardMethods, EnterCardTakesNoCardUnlessTheReaderIsEmpty) {
  const struct {
    int position_result;
    unsigned char position;
    std::uint8_t status;
  } cases[] = {{TARN_OK, '0', '2'},
               {TARN_OK, '1', '3'},
               {TARN_OK, '3', '3'},
               {TARN_OK, 'X', '3'},
               // the reader could not be asked: the position is unknown, no card is taken in
               {TARN_E_NOACK, '5', '3'}};
  for (const auto& c : cases) {
    corvi_test::CardLibraryDouble library;
    library.script({.position_result = c.position_result, .position = c.position});
    EXPECT_EQ(status("EnterCard"), c.status) << c.position;
    EXPECT_EQ(library.calls(), (Calls{"CommOpen(COM3)", "CheckCardPosition", "CommClose"}));
  }
}

TEST_F(CardMethods, MoveCardEjectsAndReportsTheLowByteOfTheResult) {
  const struct {
    int move_result;
    std::uint8_t status;
  } cases[] = {{TARN_OK, '0'},     {TARN_E_REPLY, 0xFF},  {TARN_E_NOACK, 0x92},
               {TARN_E_NAK, 0xF5}, {TARN_E_HEADER, 0xFC}, {'3', '3'}};
  for (const auto& c : cases) {
    corvi_test::CardLibraryDouble library;
    library.script({.move_result = c.move_result});
    EXPECT_EQ(status("MoveCard"), c.status) << c.move_result;
    EXPECT_EQ(library.calls(), (Calls{"CommOpen(COM3)", "MoveCard(0x34)", "CommClose"}));
  }
}

TEST_F(CardMethods, APortThatDoesNotOpenIsNotClosed) {
  library_.script({.port_opens = false});
  EXPECT_EQ(status("EnterCard"), '1');
  EXPECT_EQ(status("MoveCard"), '1');
  EXPECT_EQ(stripe(), std::nullopt);
  EXPECT_EQ(library_.calls(), Calls(3, "CommOpen(COM3)"));
}

TEST_F(CardMethods, WithoutAPortNameTheLibraryIsNotCalled) {
  std::vector<Variant> names;
  names.push_back(Variant::adopt(nullptr));
  names.push_back(text_variant(u""));
  names.push_back(text_variant(std::u16string_view(u"COM1\0COM3", 9)));  // would open COM1
  names.push_back(text_variant(u"COM\xD800"));  // no charset holds a lone surrogate
  for (const Variant& name : names) {
    Variant copy;
    ASSERT_EQ(copy.copy_from(name), automation::S_OK);
    EXPECT_EQ(call("EnterCard", std::move(copy)).ui1(), '1');
    ASSERT_EQ(copy.copy_from(name), automation::S_OK);
    EXPECT_EQ(call("MoveCard", std::move(copy)).ui1(), '1');
    ASSERT_EQ(copy.copy_from(name), automation::S_OK);
    EXPECT_EQ(call("ReadMagcard", std::move(copy)).bstr(), nullptr);
  }
  EXPECT_EQ(library_.calls(), Calls{});
}

// Without a locale the charset is UTF-8: three bytes per character here, more than the two per
// character that a buffer sized for double-byte charsets would hold.
TEST_F(CardMethods, ThePortNameReachesTheLibraryWholeInTheLocalesCharset) {
  library_.script({.move_result = TARN_OK});
  EXPECT_EQ(status("MoveCard", u"串口一号"), '0');
  EXPECT_EQ(library_.calls().front(), "CommOpen(串口一号)");
}

TEST_F(CardMethods, ReadMagcardReportsNoCardWithoutReading) {
  library_.script({.position = '5'});
  EXPECT_EQ(stripe(), u"无卡");
  EXPECT_EQ(library_.calls(), (Calls{"CommOpen(COM3)", "CheckCardPosition", "CommClose"}));
}

std::vector<unsigned char> stripe_bytes(std::string text) {
  return {text.begin(), text.end()};
}

TEST_F(CardMethods, ReadMagcardReturnsUpTo19CharactersAfterTheFirstTwoBytes) {
  const std::string digits = "6212340000000000012345678";  // 25 digits
  std::vector<unsigned char> long_stripe(492, '7');
  long_stripe[0] = 0x65;
  const struct {
    const char* what;
    std::vector<unsigned char> bytes;
    int count;
    std::optional<std::u16string> expected;
  } cases[] = {
      {"27 bytes", stripe_bytes("\x65" + std::string(1, '\0') + digits), 27,
       u"6212340000000000012"},
      {"short track", stripe_bytes("ab1234"), 6, u"1234"},
      {"two bytes", stripe_bytes("ab"), 2, u""},
      {"one byte", stripe_bytes("a"), 1, u""},
      {"nothing read", {}, 0, std::nullopt},
      {"negative count", stripe_bytes("ab1234"), -5, std::nullopt},
      {"every byte value",
       {0x65, 0x00, 0x00, 0x80, 0xFF, '='},
       6,
       std::u16string{0x0000, 0x0080, 0x00FF, u'='}},
      {"the largest read", long_stripe, 492, std::u16string(19, u'7')},
      {"a count past the buffer", long_stripe, 5000, std::u16string(19, u'7')},
  };
  for (const auto& c : cases) {
    corvi_test::CardLibraryDouble library;
    library.script({.position = '1', .read_count = c.count, .stripe = c.bytes});
    EXPECT_EQ(stripe(), c.expected) << c.what;
    EXPECT_EQ(library.calls(), (Calls{"CommOpen(COM3)", "CheckCardPosition",
                                      "ReadMagcardDecode(0x31)", "CommClose"}))
        << c.what;
  }
}

TEST_F(CardMethods, ReadMagcardTriesTheReadWhenThePositionIsUnknown) {
  library_.script(
      {.position_result = TARN_E_REPLY, .read_count = 4, .stripe = stripe_bytes("ab12")});
  EXPECT_EQ(stripe(), u"12");
  EXPECT_EQ(library_.calls()[2], "ReadMagcardDecode(0x31)");
}

// ---- End to end on the virtual reader ----

class CardMethodsOnReader : public CardMethods {
 protected:
  void SetUp() override {
    CardMethods::SetUp();
    library_.pass_through();
    const std::string path = reader_.slave_path();
    port_.assign(path.begin(), path.end());
  }

  // Every method closes its port: the library can open it again.
  void expect_port_closed() {
    void* again = Tarn_CommOpen(reader_.slave_path().c_str());
    EXPECT_NE(again, nullptr);
    Tarn_CommClose(again);
  }

  std::vector<std::uint8_t> commands() const {
    std::vector<std::uint8_t> cms;
    for (const auto& r : reader_.requests()) cms.push_back(r.cm);
    return cms;
  }

  readersim::VirtualReader reader_;
  std::u16string port_;
};

TEST_F(CardMethodsOnReader, APortThatDoesNotExist) {
  EXPECT_EQ(status("EnterCard", u"/nonexistent/ttyS9"), '1');
  EXPECT_EQ(status("MoveCard", u"/nonexistent/ttyS9"), '1');
  EXPECT_EQ(stripe(u"/nonexistent/ttyS9"), std::nullopt);
}

TEST_F(CardMethodsOnReader, EmptyReaderTakesTheCustomersCardIn) {
  auto customer = std::async(std::launch::async, [this] {
    ASSERT_TRUE(reader_.wait_for_entry(std::chrono::seconds(5)));
    reader_.insert_card(readersim::default_bank_card());
  });
  EXPECT_EQ(status("EnterCard", port_), '0');
  customer.get();
  EXPECT_EQ(reader_.state().position(), readersim::Position::ReadHead);
  EXPECT_EQ(reader_.requests().back(), (readersim::Request{'2', '1', {}}));
  expect_port_closed();
}

TEST_F(CardMethodsOnReader, CardAtTheGateIsNotTakenIn) {
  reader_.insert_card(readersim::default_bank_card());
  EXPECT_EQ(status("EnterCard", port_), '2');
  EXPECT_EQ(commands(), std::vector<std::uint8_t>{'1'});
  expect_port_closed();
}

TEST_F(CardMethodsOnReader, EntryCancelledAfterTheWait) {
  library_.pass_through(300);  // the method asks for 30000 ms; the double shortens it
  EXPECT_EQ(status("EnterCard", port_), '5');
  EXPECT_EQ(library_.calls()[2], "EnterCard(0x31, 30000)");
  const auto received = reader_.received();
  ASSERT_GE(received.size(), 2u);
  EXPECT_EQ(received.back(), 0x04) << "the library cancels with EOT";
  EXPECT_EQ(reader_.state().position(), readersim::Position::Empty);
  expect_port_closed();
}

TEST_F(CardMethodsOnReader, RefusedEntry) {
  reader_.set_next_error('2', '4');
  EXPECT_EQ(status("EnterCard", port_), 0x00);
  expect_port_closed();
}

TEST_F(CardMethodsOnReader, MoveCardResults) {
  reader_.place_card(readersim::default_bank_card(), readersim::Position::ReadHead);
  EXPECT_EQ(status("MoveCard", port_), '0');
  EXPECT_EQ(reader_.state().position(), readersim::Position::Gate);
  reader_.set_next_error('3', '3');
  EXPECT_EQ(status("MoveCard", port_), '3');
  reader_.inject(readersim::Fault::Silence);
  EXPECT_EQ(status("MoveCard", port_), 0x92) << "a reader that never acknowledges";
  expect_port_closed();
}

TEST_F(CardMethodsOnReader, ReadMagcardReadsTheCardNumber) {
  EXPECT_EQ(stripe(port_), u"无卡");
  reader_.place_card(readersim::default_bank_card(), readersim::Position::ReadHead);
  EXPECT_EQ(stripe(port_), u"6212340000000000012");
  expect_port_closed();
}

}  // namespace

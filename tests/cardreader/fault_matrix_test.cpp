// Every family of commands against every fault the virtual reader can put on the line: the
// documented result, outputs untouched on failure, and the port usable for the next command.
#include <functional>
#include <string>

#include "wire_fixture.h"

namespace tarn_test {
namespace {

using readersim::Fault;
using readersim::Position;
constexpr std::size_t kOut = 600;

struct Family {
  const char* name;
  const char* card;  // card file the reader holds, "" for none
  Position where;
  std::function<void(void*)> prepare;  // commands that bring the card where the command needs it
  std::function<int(void*, unsigned char*)> call;
  bool folded = false;      // a kernel operation: link codes arrive as their low 8 bits
  bool short_wait = false;  // the decoded stripe read's 1500 ms header wait
};

void cold_reset(void* port) {
  unsigned char protocol = 0, atr[96], length = 0;
  Tarn_CpuCardColdReset(port, &protocol, atr, &length);
}

const Family kFamilies[] = {
    {"sensors",
     "",
     Position::Empty,
     {},
     [](void* p, unsigned char* o) { return Tarn_CheckSensorStates(p, o); }},
    {"stripe",
     "bank_card.json",
     Position::ReadHead,
     {},
     [](void* p, unsigned char* o) {
       int count = 0;
       return Tarn_ReadMagcardDecode(p, '1', &count, o);
     },
     false,
     true},
    {"contact",
     "pboc_debit_card.json",
     Position::IcContacts,
     {},
     [](void* p, unsigned char* o) { return Tarn_CpuCardColdReset(p, o, o + 1, o + 100); }},
    {"contactless",
     "pboc_contactless_card.json",
     Position::RfField,
     {},
     [](void* p, unsigned char* o) { return Tarn_CPUTypeACardPowerOn(p, o); }},
    {"emv", "pboc_debit_card.json", Position::IcContacts, cold_reset,
     [](void* p, unsigned char*) { return Tarn_SelectPSE(p); }},
    {"social", "social_security_card.json", Position::IcContacts,
     [](void* p) {
       cold_reset(p);
       Tarn_SelectSocialSecurityApp(p);
     },
     [](void* p, unsigned char* o) { return Tarn_ReadSocialSecurityName(p, o); }},
    {"memory", "sle4442_card.json", Position::IcContacts, Tarn_SLE4442Reset,
     [](void* p, unsigned char* o) { return Tarn_SLE4442Read(p, 0, 32, o); }},
    {"mifare", "mifare_s50_card.json", Position::RfField, Tarn_S50DetectCard,
     [](void* p, unsigned char* o) { return Tarn_S50GetCardID(p, o); }},
    {"iso15693",
     "iso15693_tag.json",
     Position::RfField,
     {},
     [](void* p, unsigned char* o) { return Tarn_15693GetUid(p, o); }},
    {"pboc",
     "pboc_debit_card.json",
     Position::IcContacts,
     {},
     [](void* p, unsigned char* o) {
       int length = 0;
       return Tarn_ReadICCardNum(p, &length, o);
     },
     true},
};

enum class Expect { Baseline, NoAck, Nak, Reply, HeaderWait, NoEtx, Failure };

// A slow reply's delay; kPastLimit: 300 ms past the command's header wait.
constexpr long kPastLimit = -1;

struct FaultCase {
  Fault fault;
  long delay_ms;
  Expect expect;
};

const FaultCase kFaults[] = {
    {Fault::Silence, 0, Expect::NoAck},
    {Fault::Nak, 0, Expect::Nak},
    {Fault::Garbage, 0, Expect::NoAck},
    {Fault::AckThenSilence, 0, Expect::HeaderWait},
    {Fault::WrongBcc, 0, Expect::Reply},
    {Fault::WrongCmEcho, 0, Expect::Reply},
    {Fault::MissingEtx, 0, Expect::NoEtx},
    {Fault::Truncated, 0, Expect::Reply},
    {Fault::OversizedLength, 0, Expect::Reply},
    {Fault::SlowReply, 300, Expect::Baseline},
    {Fault::SlowReply, kPastLimit, Expect::HeaderWait},
    {Fault::Disconnect, 0, Expect::Failure},
};

// The result a fault must give, from the result of the same command without it.
int expected(const Family& family, Expect expect, int baseline) {
  int code = 0;
  switch (expect) {
    case Expect::Baseline:
    case Expect::Failure:
      return baseline;
    case Expect::NoEtx:
      return family.short_wait ? 8 : baseline;  // only the decoded read checks
    case Expect::NoAck:
      code = TARN_E_NOACK;
      break;
    case Expect::Nak:
      code = TARN_E_NAK;
      break;
    case Expect::Reply:
      code = TARN_E_REPLY;
      break;
    case Expect::HeaderWait:
      code = family.short_wait ? TARN_E_SHORTWAIT : TARN_E_REPLY;
      break;
  }
  return family.folded ? (code & 0xFF) : code;
}

class FaultMatrix : public WireTest, public ::testing::WithParamInterface<std::tuple<int, int>> {
 protected:
  const Family& family() const { return kFamilies[std::get<0>(GetParam())]; }
  const FaultCase& fault() const { return kFaults[std::get<1>(GetParam())]; }

  // Puts the family's card in place, runs its preparation, then the command itself, with the
  // fault on the line for the command when asked.
  int run(unsigned char* out, bool with_fault) {
    reader_.clear_faults();
    reader_.update_state([](readersim::ReaderState& s) { s.card.reset(); });
    if (*family().card)
      reader_.place_card(readersim::load_card(readersim::cards_dir() / family().card),
                         family().where);
    if (family().prepare) family().prepare(port_);
    const long past_limit = (family().short_wait ? 1500 : 7000) + 300;
    const long delay = fault().delay_ms == kPastLimit ? past_limit : fault().delay_ms;
    if (with_fault) reader_.inject(fault().fault, 1, milliseconds(delay));
    return family().call(port_, out);
  }
};

TEST_P(FaultMatrix, GivesTheDocumentedResultAndLeavesThePortUsable) {
  Guarded<kOut> first;
  const int baseline = run(first.data(), false);
  Guarded<kOut> out;
  const int result = run(out.data(), true);
  if (fault().expect == Expect::Failure) {
    EXPECT_NE(result, TARN_OK);
  } else {
    EXPECT_EQ(result, expected(family(), fault().expect, baseline));
  }
  if (result != TARN_OK && result != baseline) {
    EXPECT_TRUE(out.untouched());
  }
  EXPECT_TRUE(out.canaries_intact());
  if (fault().fault == Fault::Disconnect) {
    Tarn_CommClose(port_);
    reader_.reconnect();
    port_ = Tarn_CommOpen(reader_.slave_path().c_str());
    ASSERT_NE(port_, nullptr);
  }
  Guarded<kOut> again;
  EXPECT_EQ(run(again.data(), false), baseline) << "the port is usable after the fault";
}

std::string case_name(const ::testing::TestParamInfo<std::tuple<int, int>>& info) {
  const FaultCase& f = kFaults[std::get<1>(info.param)];
  std::string name = std::string(kFamilies[std::get<0>(info.param)].name) + "_" +
                     std::string(readersim::fault_name(f.fault)) +
                     (f.delay_ms == kPastLimit ? "pastlimit"
                      : f.delay_ms             ? std::to_string(f.delay_ms)
                                               : "");
  std::erase(name, '-');
  return name;
}

INSTANTIATE_TEST_SUITE_P(Wire, FaultMatrix,
                         ::testing::Combine(::testing::Range(0, int{std::size(kFamilies)}),
                                            ::testing::Range(0, int{std::size(kFaults)})),
                         case_name);

}  // namespace
}  // namespace tarn_test

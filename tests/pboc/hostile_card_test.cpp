// The card is hostile input: malformed replies must never make the kernel write past the
// documented largest outputs (checked with canary bytes) nor read past its own buffers (checked
// by the sanitizer build).
#include <gmock/gmock.h>

#include <random>
#include <string>

#include "kernel_fixture.h"

namespace ferro_test {
namespace {

using namespace pboc_card;

constexpr std::uint8_t kCanaryByte = 0xC5;
constexpr std::size_t kCanary = 32;

// An output buffer of the documented largest size followed by canary bytes.
struct Guarded {
  explicit Guarded(std::size_t largest) : largest(largest), bytes(largest + kCanary, kCanaryByte) {}
  unsigned char* data() { return bytes.data(); }
  bool canary_intact() const {
    return std::all_of(bytes.begin() + largest, bytes.end(),
                       [](std::uint8_t b) { return b == kCanaryByte; });
  }
  std::size_t largest;
  std::vector<std::uint8_t> bytes;
};

bool documented(int result) {
  return result >= -2 && result <= 255;
}

// Replies of the PBOC test card, corrupted at random.
class Corruptor {
 public:
  explicit Corruptor(unsigned seed) : random_(seed) {}

  Answer corrupt(Answer answer) {
    Bytes& reply = answer.reply;
    switch (pick(12)) {
      case 0:
        reply = noise(pick(1025));
        break;
      case 1:
        reply.resize(pick(reply.size() + 1));
        break;
      case 2:
      case 3:
        if (!reply.empty()) reply[pick(reply.size())] = interesting_byte();
        break;
      case 4:
        answer.reported_length = std::vector<int>{-1, 0, 1, 2, 1024, 1025, 100000}[pick(7)];
        break;
      case 5:
        answer.result = static_cast<int>(pick(600)) - 300;
        break;
      case 6:
        reply = {0x61, interesting_byte()};
        break;
      case 7:
        reply = cat({reply, noise(pick(300)), hex("90 00")});
        break;
      default:
        break;  // left as the card would answer
    }
    return answer;
  }

  Bytes noise(std::size_t n) {
    Bytes bytes(n);
    for (std::uint8_t& b : bytes) b = pick(3) == 0 ? interesting_byte() : byte();
    return bytes;
  }

 private:
  std::size_t pick(std::size_t n) { return n == 0 ? 0 : random_() % n; }
  std::uint8_t byte() { return static_cast<std::uint8_t>(random_()); }
  std::uint8_t interesting_byte() {
    static constexpr std::uint8_t kBytes[] = {0x00, 0x01, 0x02, 0x0A, 0x0B, 0x13, 0x1B, 0x1F,
                                              0x20, 0x57, 0x61, 0x64, 0x70, 0x7F, 0x80, 0x81,
                                              0x86, 0x88, 0x8C, 0x8D, 0x90, 0x91, 0xFE, 0xFF};
    return kBytes[pick(sizeof kBytes)];
  }

  std::mt19937 random_;
};

class HostileCardTest : public KernelTest, public ::testing::WithParamInterface<unsigned> {
 protected:
  void SetUp() override {
    KernelTest::SetUp();
    pboc_card::load(model);
    // A log in SFI 11 so that the log reader has records to format.
    model.on(hex("00 B2 01 5C"), ok(Bytes(45, 0x31)));
    model.on(hex("00 B2 02 5C"), ok(Bytes(45, 0x32)));
    corruptor = std::make_unique<Corruptor>(GetParam());
    card.handler = [this](const Bytes& command) {
      return std::optional<Answer>(corruptor->corrupt(model.respond(command)));
    };
  }

  // A text built from the usual issuer answer, cut or mixed with noise.
  std::string issuer_text() {
    Bytes data = cat({hex("86 06 84 DA 00 00 01 00 91 0A"), Bytes(8, 0xA5), hex("30 30")});
    data = corruptor->corrupt(Answer{data}).reply;
    return to_hex(data);
  }

  TestCard model;
  std::unique_ptr<Corruptor> corruptor;
};

TEST_P(HostileCardTest, OutputsStayWithinTheirDocumentedSizes) {
  for (int round = 0; round < 4; ++round) {
    {
      Guarded track2(36);
      int track2_len = -1;
      const int result = pboc_readiccardNum(&track2_len, track2.data());
      EXPECT_TRUE(documented(result)) << result;
      EXPECT_TRUE(track2.canary_intact());
      if (result == 0) {
        EXPECT_THAT(track2_len, ::testing::AllOf(::testing::Ge(0), ::testing::Le(36)));
      }
    }
    {
      Guarded track2(36), icc(178);
      unsigned char pan_seq = 0;
      int track2_len = -1, icc_len = -1;
      const int result = pboc_get55data(0x00, hex("000000000100").data(), &pan_seq, track2.data(),
                                        &track2_len, icc.data(), &icc_len);
      EXPECT_TRUE(documented(result)) << result;
      EXPECT_TRUE(track2.canary_intact());
      EXPECT_TRUE(icc.canary_intact());
      if (result == 0) {
        EXPECT_THAT(icc_len, ::testing::AllOf(::testing::Ge(89), ::testing::Le(178)));
      }
    }
    {
      Guarded result_bytes(99);
      const int result = pboc_arqcexeicscript(issuer_text().c_str(), result_bytes.data());
      EXPECT_TRUE(documented(result)) << result;
      EXPECT_TRUE(result_bytes.canary_intact());
    }
    {
      Guarded records(5 + 99 * 107);
      const int result = pboc_gettraderecord(reinterpret_cast<char*>(records.data()));
      EXPECT_TRUE(documented(result)) << result;
      EXPECT_TRUE(records.canary_intact());
    }
    {
      Guarded balance(6);
      EXPECT_TRUE(documented(pboc_electronicbalance(balance.data())));
      EXPECT_TRUE(balance.canary_intact());
    }
    {
      Guarded data(2040);
      int data_len = -1;
      const int result = pboc_geticinformation(data.data(), &data_len);
      EXPECT_TRUE(documented(result)) << result;
      EXPECT_TRUE(data.canary_intact());
      if (result == 0) {
        EXPECT_LE(data_len, 2040);
      }
    }
    {
      Guarded icc(178);
      int icc_len = -1;
      EXPECT_TRUE(documented(pboc_genarqc(hex("000000000100").data(), 0x00, icc.data(), &icc_len)));
      EXPECT_TRUE(icc.canary_intact());
    }
    pauses().clear();
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, HostileCardTest, ::testing::Range(0u, 150u));

// Objects longer than the kernel's buffers for them are not taken, so the step fails cleanly.
struct OversizedCase {
  const char* name;
  Bytes prefix;
  Bytes reply;
  Bytes df;
};

class OversizedObjectTest : public KernelTest,
                            public ::testing::WithParamInterface<OversizedCase> {};

TEST_P(OversizedObjectTest, IsNotTaken) {
  card.on(GetParam().prefix, GetParam().reply, GetParam().df);
  Guarded track2(36);
  int track2_len = -1;
  EXPECT_EQ(pboc_readiccardNum(&track2_len, track2.data()), FERRO_MISSING_DATA);
  EXPECT_TRUE(track2.canary_intact());
}

INSTANTIATE_TEST_SUITE_P(
    Objects, OversizedObjectTest,
    ::testing::Values(
        OversizedCase{"aid_of_101", read_record(1, 1), ok(tlv(hex("4F"), Bytes(101, 0xA0))),
                      text_bytes("1PAY.SYS.DDF01")},
        OversizedCase{
            "pdol_of_101", select_command(kAid), ok(tlv(hex("9F38"), Bytes(101, 0x9C))), {}},
        OversizedCase{
            "afl_past_the_reply", hex("80 A8"), hex("80 FF 7C 00 08 01 01 00 90 00"), {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(KernelTest, NullArgumentsAreRefusedBeforeTheCardIsTouched) {
  unsigned char buffer[64];
  int length = 0;
  const unsigned char* amount = buffer;
  EXPECT_EQ(pboc_readiccardNum(nullptr, buffer), FERRO_BAD_ARGUMENT);
  EXPECT_EQ(pboc_readiccardNum(&length, nullptr), FERRO_BAD_ARGUMENT);
  EXPECT_EQ(pboc_get55data(0, amount, buffer, buffer, &length, nullptr, &length),
            FERRO_BAD_ARGUMENT);
  EXPECT_EQ(pboc_get55data(0, nullptr, buffer, buffer, &length, buffer, &length),
            FERRO_BAD_ARGUMENT);
  EXPECT_EQ(pboc_genarqc(amount, 0, buffer, nullptr), FERRO_BAD_ARGUMENT);
  EXPECT_EQ(pboc_gettraderecord(nullptr), FERRO_BAD_ARGUMENT);
  EXPECT_EQ(pboc_electronicbalance(nullptr), FERRO_BAD_ARGUMENT);
  EXPECT_EQ(pboc_geticinformation(buffer, nullptr), FERRO_BAD_ARGUMENT);
  EXPECT_EQ(pboc_arqcexeicscript(nullptr, buffer), FERRO_BAD_ARGUMENT);
  EXPECT_EQ(pboc_arqcexeicscript("9102AABB", nullptr), FERRO_BAD_ARGUMENT);
  EXPECT_TRUE(card.events.empty());
}

}  // namespace
}  // namespace ferro_test

// The scanner methods against the stand-in library: the exact call sequences, what they make of
// the reading, and the message boxes when a device cannot be opened.
#include <stdlib.h>

#include "call_log.h"
#include "corvi_fixture.h"
#include "scan_queue.h"
#include "sim_folder.h"

namespace {

using Calls = std::vector<std::string>;
using Box = corvi_test::RecordingSite::Box;

const Box kScannerFailed{"打开扫描枪失败", "Corvi", framework::MB_OK};
const Box kPrinterFailed{"打开打印机失败", "Corvi", framework::MB_OK};

const Calls kPrinterOpen{"RkEnumPrinter() = \"USB@RKP001\"", "RkOpenPrinter(\"RKP001\") = 1"};
const Calls kScannerOpen{"RkEnumSerialScanner() = 3", "RkOpenSerialScanner(3, 9600, 8, 0, 0) = 1"};
const Calls kShutdown{"RkClearScanCache() = 1", "RkTurnOffEnhancedScanner() = 1",
                      "RkCloseSerialScanner() = 1"};

Calls joined(std::initializer_list<Calls> parts) {
  Calls all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

class ScannerMethods : public corvi_test::CorviFixture {
 protected:
  void SetUp() override {
    CorviFixture::SetUp();
    create_control();
  }
};

TEST_F(ScannerMethods, TurnOnScannerReadsOnceAndShutsDown) {
  ASSERT_TRUE(rkprinter::queue_reading("XABC123"));
  EXPECT_EQ(text(call("TurnOnScanner")), u"ABC123");
  EXPECT_EQ(rkprinter::recorded_calls(),
            joined({kScannerOpen,
                    {"SetEnhancedScannerLightDuration(3) = 1", "RkTurnOnEnhancedScanner() = 1",
                     "GetScannerData(4000) = \"XABC123\""},
                    kShutdown}));
  EXPECT_TRUE(site_.boxes.empty());
}

TEST_F(ScannerMethods, ShortOrMissingReadingsGiveAnEmptyString) {
  const struct {
    std::optional<std::string> queued;
    const char* answer;
  } cases[] = {{"X", "\"X\""}, {"", "\"\""}, {std::nullopt, "null"}};
  for (const auto& c : cases) {
    std::filesystem::remove(rkprinter::call_log_file());
    if (c.queued) {
      ASSERT_TRUE(rkprinter::queue_reading(*c.queued));
    }
    const automation::Variant result = call("TurnOnScanner");
    ASSERT_NE(result.bstr(), nullptr) << c.answer;
    EXPECT_EQ(text(result), u"") << c.answer;
    const Calls calls = rkprinter::recorded_calls();
    EXPECT_EQ(calls.at(4), std::string("GetScannerData(4000) = ") + c.answer);
    EXPECT_EQ(Calls(calls.begin() + 5, calls.end()), kShutdown) << c.answer;
  }
}

TEST_F(ScannerMethods, TurnOnScannerStopsWhenTheScannerDoesNotOpen) {
  ::setenv("RKPRINTER_FAIL", "scanner", 1);
  const automation::Variant result = call("TurnOnScanner");
  ASSERT_NE(result.bstr(), nullptr);
  EXPECT_EQ(text(result), u"");
  EXPECT_EQ(site_.boxes, std::vector<Box>{kScannerFailed});
  EXPECT_EQ(rkprinter::recorded_calls(),
            (Calls{"RkEnumSerialScanner() = 3", "RkOpenSerialScanner(3, 9600, 8, 0, 0) = 0"}));
}

TEST_F(ScannerMethods, AutoTurnOnScannerScansAroundAPageMovement) {
  ASSERT_TRUE(rkprinter::queue_reading("]DOC-42"));
  EXPECT_EQ(text(call("AutoTurnOnScanner")), u"DOC-42");
  EXPECT_EQ(rkprinter::recorded_calls(),
            joined({kPrinterOpen,
                    {"RkAutoPageUnload() = 1"},
                    kScannerOpen,
                    {"SetEnhancedScannerLightDuration(3) = 1", "RkTurnOnEnhancedScanner() = 1",
                     "RkAutoPageLoad() = 1", "GetScannerData(4000) = \"]DOC-42\""},
                    kShutdown,
                    {"RkClosePrinter() = 1"}}));
  EXPECT_TRUE(site_.boxes.empty());
}

TEST_F(ScannerMethods, AutoTurnOnScannerStopsWhenThePrinterDoesNotOpen) {
  ::setenv("RKPRINTER_FAIL", "printer", 1);
  EXPECT_EQ(text(call("AutoTurnOnScanner")), u"");
  EXPECT_EQ(site_.boxes, std::vector<Box>{kPrinterFailed});
  EXPECT_EQ(rkprinter::recorded_calls(),
            (Calls{"RkEnumPrinter() = \"USB@RKP001\"", "RkOpenPrinter(\"RKP001\") = 0"}));
}

TEST_F(ScannerMethods, AutoTurnOnScannerLeavesThePrinterOpenWhenTheScannerDoesNotOpen) {
  ::setenv("RKPRINTER_FAIL", "scanner", 1);
  EXPECT_EQ(text(call("AutoTurnOnScanner")), u"");
  EXPECT_EQ(site_.boxes, std::vector<Box>{kScannerFailed});
  EXPECT_EQ(rkprinter::recorded_calls(),
            joined({kPrinterOpen,
                    {"RkAutoPageUnload() = 1", "RkEnumSerialScanner() = 3",
                     "RkOpenSerialScanner(3, 9600, 8, 0, 0) = 0"}}));
  EXPECT_NE(rkprinter::contents(rkprinter::state_file()).find("printer: open RKP001"),
            std::string::npos);
}

}  // namespace

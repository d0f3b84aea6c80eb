// The stand-in printer and scanner library: its simulated devices, its folder (spool, scan
// queue, call log, state) and its export table.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <set>

#include "RkPrinterLib.h"
#include "call_log.h"
#include "scan_queue.h"
#include "sim_folder.h"
#include "utf.h"

namespace {

using Calls = std::vector<std::string>;

std::optional<std::u16string> scanned() {
  const char16_t* data = GetScannerData(4000);
  if (data == nullptr) return std::nullopt;
  return std::u16string(data);
}

class PrinterLib : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "rkprinter.XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    ::setenv("RKPRINTER_DIR", dir_.c_str(), 1);
    for (const char* name :
         {"RKPRINTER_FAIL", "RKPRINTER_ENUM", "RKPRINTER_NAME", "RKPRINTER_SCANNER_PORT"})
      ::unsetenv(name);
    RkClosePrinter();  // the devices live as long as the process
    RkCloseSerialScanner();
    std::filesystem::remove(rkprinter::call_log_file());
  }
  void TearDown() override {
    ::unsetenv("RKPRINTER_DIR");
    std::filesystem::remove_all(dir_);
  }

  std::filesystem::path dir_;
};

TEST_F(PrinterLib, ThePrinterIsFoundAndOpenedByItsName) {
  EXPECT_EQ(std::u16string(RkEnumPrinter()), u"USB@RKP001");
  EXPECT_EQ(RkOpenPrinter(u"RKP001"), 1);
  EXPECT_EQ(RkOpenPrinter(u"OTHER1"), 0);
  EXPECT_EQ(RkClosePrinter(), 0) << "a failed open closes the printer that was open";
  EXPECT_EQ(RkOpenPrinter(nullptr), 0);

  ::setenv("RKPRINTER_NAME", "打印机", 1);
  EXPECT_EQ(std::u16string(RkEnumPrinter()), u"USB@打印机");
  ::setenv("RKPRINTER_ENUM", "COM2@PRINTER-X", 1);
  EXPECT_EQ(std::u16string(RkEnumPrinter()), u"COM2@PRINTER-X");
  EXPECT_EQ(RkOpenPrinter(u"打印机"), 1);
  ::setenv("RKPRINTER_FAIL", "scanner,printer", 1);
  EXPECT_EQ(RkOpenPrinter(u"打印机"), 0);
}

TEST_F(PrinterLib, PrintingNeedsAnOpenPrinterAndAppendsToTheSpool) {
  EXPECT_EQ(RkPrintDataA("lost", 1), 0);
  ASSERT_EQ(RkOpenPrinter(u"RKP001"), 1);
  EXPECT_EQ(RkPrintDataA("line", 1), 1);
  EXPECT_EQ(RkPrintDataA("no line end ", 0), 1);
  EXPECT_EQ(RkPrintDataA("then", 1), 1);
  EXPECT_EQ(RkPrintDataA(nullptr, 1), 0);
  EXPECT_EQ(RkPrintDataA("unknown mode", 7), 0);
  EXPECT_EQ(rkprinter::contents(rkprinter::spool_file()), "line\nno line end then\n");
}

TEST_F(PrinterLib, PageAndPageLengthAreTracked) {
  EXPECT_EQ(RkAutoPageLoad(), 0) << "no printer open";
  ASSERT_EQ(RkOpenPrinter(u"RKP001"), 1);
  EXPECT_EQ(RkSetPageLen(5.0), 1);
  for (const double bad : {0.0, -1.0, std::nan("")}) EXPECT_EQ(RkSetPageLen(bad), 0) << bad;
  EXPECT_EQ(RkAutoPageLoad(), 1);
  EXPECT_EQ(rkprinter::contents(rkprinter::state_file()),
            "printer: open RKP001\npage: in\npage length: 5\nscanner: closed\nlight: off\n"
            "light duration: 0 s\n");
  EXPECT_EQ(RkAutoPageUnload(), 1);
  EXPECT_NE(rkprinter::contents(rkprinter::state_file()).find("page: out"), std::string::npos);
}

TEST_F(PrinterLib, TheScannerOpensOnItsPortOnly) {
  EXPECT_EQ(RkEnumSerialScanner(), 3);
  EXPECT_EQ(RkOpenSerialScanner(4, 9600, 8, 0, 0), 0);
  ::setenv("RKPRINTER_SCANNER_PORT", "7", 1);
  EXPECT_EQ(RkEnumSerialScanner(), 7);
  EXPECT_EQ(RkOpenSerialScanner(7, 9600, 8, 0, 0), 1);
  ::setenv("RKPRINTER_SCANNER_PORT", "seven", 1);
  EXPECT_EQ(RkEnumSerialScanner(), 3) << "a port that is not a number leaves the default";
  ::setenv("RKPRINTER_FAIL", "scanner", 1);
  EXPECT_EQ(RkOpenSerialScanner(3, 9600, 8, 0, 0), 0);
  EXPECT_EQ(RkTurnOnEnhancedScanner(), 0) << "the failed open closed the scanner";
}

TEST_F(PrinterLib, ScansTakeQueuedReadingsInOrderWhileTheLightIsOn) {
  ASSERT_TRUE(rkprinter::queue_reading("first"));
  ASSERT_TRUE(rkprinter::queue_reading("第二"));
  ASSERT_TRUE(rkprinter::queue_reading(""));
  EXPECT_FALSE(rkprinter::queue_reading("two\nlines"));
  EXPECT_EQ(scanned(), std::nullopt) << "scanner closed";
  ASSERT_EQ(RkOpenSerialScanner(3, 9600, 8, 0, 0), 1);
  EXPECT_EQ(scanned(), std::nullopt) << "light off";
  EXPECT_EQ(SetEnhancedScannerLightDuration(3), 1);
  EXPECT_EQ(SetEnhancedScannerLightDuration(0), 0);
  ASSERT_EQ(RkTurnOnEnhancedScanner(), 1);
  EXPECT_EQ(scanned(), u"first");
  EXPECT_EQ(scanned(), u"第二");
  EXPECT_EQ(scanned(), u"");
  EXPECT_EQ(scanned(), std::nullopt) << "nothing left";
  EXPECT_EQ(RkClearScanCache(), 1);
  EXPECT_EQ(RkTurnOffEnhancedScanner(), 1);
  EXPECT_EQ(RkCloseSerialScanner(), 1);
  EXPECT_EQ(RkCloseSerialScanner(), 0);
}

TEST_F(PrinterLib, AReadingWrittenByHandMayEndInCrLf) {
  ASSERT_TRUE(rkprinter::append_to(rkprinter::scan_queue_file(), "typed\r\nlast"));
  ASSERT_EQ(RkOpenSerialScanner(3, 9600, 8, 0, 0), 1);
  ASSERT_EQ(RkTurnOnEnhancedScanner(), 1);
  EXPECT_EQ(scanned(), u"typed");
  EXPECT_EQ(scanned(), u"last");
  EXPECT_EQ(scanned(), std::nullopt);
}

TEST_F(PrinterLib, EveryCallIsLoggedInOrderWithArgumentsAndResult) {
  RkOpenPrinter(u"RKP001");
  RkPrintDataA("a \"quoted\" \\ line\n\t\x01", 1);
  RkPrintDataA(nullptr, 1);
  RkSetPageLen(2.5);
  RkOpenSerialScanner(3, 115200, 7, 2, 1);
  GetScannerData(10);
  RkClosePrinter();
  EXPECT_EQ(rkprinter::recorded_calls(),
            (Calls{"RkOpenPrinter(\"RKP001\") = 1",
                   "RkPrintDataA(\"a \\\"quoted\\\" \\\\ line\\n\\t\\x01\", 1) = 1",
                   "RkPrintDataA(null, 1) = 0", "RkSetPageLen(2.5) = 1",
                   "RkOpenSerialScanner(3, 115200, 7, 2, 1) = 1", "GetScannerData(10) = null",
                   "RkClosePrinter() = 1"}));
}

TEST(PrinterLibText, MalformedTextBecomesReplacementCharacters) {
  EXPECT_EQ(rkprinter::to_utf16("a\xC3\xA9\xF0\x9F\x98\x80"), u"aé\U0001F600");
  EXPECT_EQ(rkprinter::to_utf16("\xFF\xC3(\xED\xA0\x80\xE0\x80\x80"), u"\uFFFD\uFFFD(\uFFFD\uFFFD");
  EXPECT_EQ(rkprinter::to_utf8(u"é\U0001F600"), "\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(rkprinter::to_utf8(std::u16string{0xD800, u'x', 0xDC00}), "\xEF\xBF\xBDx\xEF\xBF\xBD");
}

std::set<std::string> lines(std::FILE* in) {
  std::set<std::string> names;
  char line[512];
  while (std::fgets(line, sizeof line, in)) {
    std::string name(line);
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) name.pop_back();
    if (!name.empty()) names.insert(name.substr(name.rfind(' ') + 1));
  }
  return names;
}

TEST(PrinterLibExports, ExactlyTheFifteenFunctions) {
  std::FILE* list = std::fopen(RKPRINTERLIB_EXPORTS, "r");
  ASSERT_NE(list, nullptr);
  const auto expected = lines(list);
  std::fclose(list);
  std::FILE* pipe = ::popen("nm -D --defined-only " RKPRINTERLIB_PATH, "r");
  ASSERT_NE(pipe, nullptr);
  const auto exported = lines(pipe);
  ::pclose(pipe);
  EXPECT_EQ(expected.size(), 15u);
  EXPECT_EQ(exported, expected);
}

}  // namespace

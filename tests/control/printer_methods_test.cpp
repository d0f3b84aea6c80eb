// The printer methods against the stand-in printer library: the calls they make, in order and
// with their arguments, the printer name they derive, the message box and their results.
#include <stdlib.h>

#include <fstream>

#include "call_log.h"
#include "corvi_fixture.h"
#include "sim_folder.h"

namespace {

using Calls = std::vector<std::string>;
using Box = corvi_test::RecordingSite::Box;

const Box kPrinterFailed{"打开打印机失败", "Corvi", framework::MB_OK};

class PrinterMethods : public corvi_test::CorviFixture {
 protected:
  void SetUp() override {
    CorviFixture::SetUp();
    create_control();
  }
};

TEST_F(PrinterMethods, PrintDataOpensThePrinterAndPrintsInTheLocalesCharset) {
  EXPECT_EQ(call("PrintData", text_arg(u"收据 No. 1")).ui1(), 1);
  EXPECT_EQ(rkprinter::recorded_calls(),
            (Calls{"RkEnumPrinter() = \"USB@RKP001\"", "RkOpenPrinter(\"RKP001\") = 1",
                   "RkSetPageLen(5.0) = 1", "RkPrintDataA(\"收据 No. 1\", 1) = 1"}));
  EXPECT_EQ(rkprinter::contents(rkprinter::spool_file()), "收据 No. 1\n");
  EXPECT_TRUE(site_.boxes.empty());
}

TEST_F(PrinterMethods, ThePrinterNameIsSixCharactersAfterTheFirstAt) {
  const struct {
    const char* enumeration;
    const char* name;
  } cases[] = {{"USB@ABCDEFGH", "ABCDEF"},
               {"XYZ", "XYZ"},
               {"LPT@RKP", "RKP"},
               {"A@B@CDEFGH", "B@CDEF"},
               {"@", ""},
               {"NONAME123", "NONAME"},
               {"串口@打印机名称甲乙", "打印机名称甲"}};
  for (const auto& c : cases) {
    ::setenv("RKPRINTER_ENUM", c.enumeration, 1);
    std::filesystem::remove(rkprinter::call_log_file());
    call("AutoPageLoad");
    EXPECT_EQ(rkprinter::recorded_calls().at(1),
              "RkOpenPrinter(\"" + std::string(c.name) + "\") = 0")
        << c.enumeration;
  }
}

TEST_F(PrinterMethods, AFailedOpenIsShownAndThePrintIsStillAttempted) {
  ::setenv("RKPRINTER_FAIL", "printer", 1);
  EXPECT_EQ(call("PrintData", text_arg(u"text")).ui1(), 0);
  EXPECT_EQ(site_.boxes, std::vector<Box>{kPrinterFailed});
  EXPECT_EQ(rkprinter::recorded_calls(),
            (Calls{"RkEnumPrinter() = \"USB@RKP001\"", "RkOpenPrinter(\"RKP001\") = 0",
                   "RkSetPageLen(5.0) = 1", "RkPrintDataA(\"text\", 1) = 0"}));
}

TEST_F(PrinterMethods, PrintDataReportsTheOpenNotThePrint) {
  std::filesystem::create_directories(rkprinter::spool_file());  // the spool cannot be written
  EXPECT_EQ(call("PrintData", text_arg(u"text")).ui1(), 1);
  EXPECT_EQ(rkprinter::recorded_calls().back(), "RkPrintDataA(\"text\", 1) = 0");
}

TEST_F(PrinterMethods, ANullOrUnconvertibleTextIsPrintedAsNull) {
  std::vector<automation::Variant> null_text(1);
  null_text[0] = automation::Variant::adopt(nullptr);
  call("PrintData", std::move(null_text));
  call("PrintData", text_arg(u"\xD800"));  // a lone surrogate has no 8-bit form
  const Calls calls = rkprinter::recorded_calls();
  EXPECT_EQ(calls[3], "RkPrintDataA(null, 1) = 0");
  EXPECT_EQ(calls[7], "RkPrintDataA(null, 1) = 0");
}

TEST_F(PrinterMethods, PageMethodsReturnTheLibrarysResultAlsoAfterAFailedOpen) {
  const struct {
    const char* method;
    const char* failing;
    std::uint32_t result;
  } cases[] = {{"AutoPageLoad", "", 1},
               {"AutoPageUnload", "", 1},
               {"AutoPageLoad", "printer", 0},
               {"AutoPageUnload", "printer", 0}};
  for (const auto& c : cases) {
    ::setenv("RKPRINTER_FAIL", c.failing, 1);
    std::filesystem::remove(rkprinter::call_log_file());
    site_.boxes.clear();
    EXPECT_EQ(call(c.method).ui4(), c.result) << c.method << " " << c.failing;
    const Calls calls = rkprinter::recorded_calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2], std::string("Rk") + c.method + "() = " + std::to_string(c.result));
    EXPECT_EQ(site_.boxes.size(), c.result == 0 ? 1u : 0u);
  }
}

}  // namespace

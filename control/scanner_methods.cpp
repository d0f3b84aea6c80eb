// The scanner methods: open the scanner, switch its light on, take one reading and shut down;
// AutoTurnOnScanner does so around a page movement of the printer.
#include <string>

#include "RkPrinterLib.h"
#include "automation_text.h"
#include "corvi_ctrl.h"

namespace corvi {
namespace {

constexpr int kScannerBaud = 9600;
constexpr int kScannerDataBits = 8;
constexpr int kScannerParity = 0;
constexpr int kScannerStopBits = 0;
constexpr int kLightDuration = 3;
constexpr int kScanWaitMs = 4000;
// Characters in front of the scanned text that are not part of it.
constexpr std::size_t kScanSkip = 1;

}  // namespace

bool CCorviCtrl::OpenScanner() {
  const int port = RkEnumSerialScanner();
  if (RkOpenSerialScanner(port, kScannerBaud, kScannerDataBits, kScannerParity, kScannerStopBits) !=
      0)
    return true;
  ShowMessageBox("打开扫描枪失败");
  return false;
}

automation::BSTR CCorviCtrl::FinishScan(bool close_printer) {
  const char16_t* data = GetScannerData(kScanWaitMs);
  const std::u16string reading = data != nullptr ? data : u"";
  RkClearScanCache();
  RkTurnOffEnhancedScanner();
  RkCloseSerialScanner();
  if (close_printer) RkClosePrinter();
  return new_bstr(std::u16string_view(reading).substr(std::min(kScanSkip, reading.size())));
}

automation::BSTR CCorviCtrl::TurnOnScanner() {
  if (!OpenScanner()) return new_bstr(u"");
  SetEnhancedScannerLightDuration(kLightDuration);
  RkTurnOnEnhancedScanner();
  return FinishScan(false);
}

automation::BSTR CCorviCtrl::AutoTurnOnScanner() {
  if (OpenPrinter() == 0) return new_bstr(u"");
  RkAutoPageUnload();
  if (!OpenScanner()) return new_bstr(u"");
  SetEnhancedScannerLightDuration(kLightDuration);
  RkTurnOnEnhancedScanner();
  RkAutoPageLoad();
  return FinishScan(true);
}

}  // namespace corvi

// The printer methods: find the printer by the library's enumeration, open it, and print or move
// the page. They leave the printer open, and go on with their operation when it could not be
// opened, after telling the user.
#include <string>

#include "RkPrinterLib.h"
#include "automation_text.h"
#include "corvi_ctrl.h"

namespace corvi {
namespace {

// The printer's name is the text after the first "@" of the enumeration (all of it when there is
// no "@"), at most this many characters.
constexpr std::size_t kPrinterNameLength = 6;
constexpr double kPageLength = 5.0;
constexpr int kPrintMode = 1;

std::u16string printer_name(const char16_t* enumeration) {
  const std::u16string_view listed = enumeration != nullptr ? enumeration : u"";
  const std::size_t at = listed.find(u'@');
  return std::u16string(listed.substr(at == listed.npos ? 0 : at + 1, kPrinterNameLength));
}

}  // namespace

int CCorviCtrl::OpenPrinter() {
  const std::u16string name = printer_name(RkEnumPrinter());
  const int opened = RkOpenPrinter(name.c_str());
  if (opened == 0) ShowMessageBox("打开打印机失败");
  return opened;
}

std::uint8_t CCorviCtrl::PrintData(automation::BSTR data) {
  const int opened = OpenPrinter();
  RkSetPageLen(kPageLength);
  const std::optional<std::string> text = to_ansi(data);
  RkPrintDataA(text ? text->c_str() : nullptr, kPrintMode);
  return static_cast<std::uint8_t>(opened);
}

std::uint32_t CCorviCtrl::AutoPageLoad() {
  OpenPrinter();
  return static_cast<std::uint32_t>(RkAutoPageLoad());
}

std::uint32_t CCorviCtrl::AutoPageUnload() {
  OpenPrinter();
  return static_cast<std::uint32_t>(RkAutoPageUnload());
}

}  // namespace corvi

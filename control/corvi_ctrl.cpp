#include "corvi_ctrl.h"

#include "automation_text.h"
#include "corvi_ids.h"
#include "corvi_resources.h"
#include "framework/dialog.h"

namespace corvi {

using automation::disp_function;

const automation::DispatchMap& CCorviCtrl::dispatch_map() {
  static const automation::DispatchMap map(
      "_DCorvi", kDispatchIid, "Corvi Control 的调度接口",
      {
          disp_function<&CCorviCtrl::AboutBox>("AboutBox", automation::DISPID_ABOUTBOX, ""),
          disp_function<&CCorviCtrl::OcxTest>("OcxTest", 1, "方法AutoOcxTest"),
          disp_function<&CCorviCtrl::TurnOnScanner>("TurnOnScanner", 2, "方法TurnOnScanner"),
          disp_function<&CCorviCtrl::AutoTurnOnScanner>("AutoTurnOnScanner", 3,
                                                        "方法AutoTurnOnScanner"),
          disp_function<&CCorviCtrl::EnterCard>("EnterCard", 4, "方法EnterCard", "port"),
          disp_function<&CCorviCtrl::MoveCard>("MoveCard", 5, "方法MoveCard", "port"),
          disp_function<&CCorviCtrl::ReadMagcard>("ReadMagcard", 6, "方法ReadMagcard", "port"),
          disp_function<&CCorviCtrl::PrintData>("PrintData", 7, "方法PrintData", "data"),
          disp_function<&CCorviCtrl::OcxTest>("GetOcxVersion", 8, "方法GetOcxVersion"),
          disp_function<&CCorviCtrl::AutoPageLoad>("AutoPageLoad", 9, "方法AutoPageLoad"),
          disp_function<&CCorviCtrl::AutoPageUnload>("AutoPageUnload", 10, "方法AutoPageUnload"),
      });
  return map;
}

const automation::TypeLibrary& CCorviCtrl::type_library() {
  static const automation::TypeLibrary library{
      kTypeLibId,
      kTypeLibMajor,
      kTypeLibMinor,
      kTypeLibLocale,
      "CorviLib",
      "Corvi ActiveX 控件模块",
      "Corvi.hlp",
      {dispatch_map().interface_info(),
       {"_DCorviEvents", kEventsIid, "Corvi Control 的事件接口", {}}},
      {{"Corvi", kControlClsid, "Corvi Control", true, true, "_DCorvi", "_DCorviEvents"}}};
  return library;
}

void CCorviCtrl::OnDraw(framework::CDC* dc, const framework::CRect& bounds,
                        const framework::CRect&) {
  if (dc == nullptr) return;
  dc->FillRect(bounds, framework::kWhiteBrush);
  dc->Ellipse(bounds);
}

void CCorviCtrl::DoPropExchange(framework::CPropExchange* px) {
  ExchangeVersion(px, 0x00010000);
  COleControl::DoPropExchange(px);
}

void CCorviCtrl::AboutBox() {
  framework::CDialog(kAboutBoxDialog, this).DoModal();
}

automation::BSTR CCorviCtrl::OcxTest() {
  const std::string version = file_version_text();
  return new_bstr(std::u16string(version.begin(), version.end()));
}

}  // namespace corvi

// The Corvi control: its automation interface `_DCorvi` and the method bodies behind it, which
// drive the card reader (card_methods.cpp), the printer (printer_methods.cpp) and the scanner
// (scanner_methods.cpp). It keeps no state between calls.
#pragma once

#include <cstdint>

#include "automation/bstr.h"
#include "framework/ole_control.h"

namespace corvi {

class CCorviCtrl : public framework::COleControl {
 public:
  class CCorviCtrlFactory;

  static const automation::DispatchMap& dispatch_map();
  static const automation::TypeLibrary& type_library();

 protected:
  const automation::DispatchMap& GetDispatchMap() const override { return dispatch_map(); }
  const automation::TypeLibrary& GetTypeLibrary() const override { return type_library(); }
  void OnDraw(framework::CDC* dc, const framework::CRect& bounds,
              const framework::CRect& invalid) override;
  void DoPropExchange(framework::CPropExchange* px) override;

 private:
  void AboutBox();
  automation::BSTR OcxTest();  // also GetOcxVersion
  automation::BSTR TurnOnScanner();
  automation::BSTR AutoTurnOnScanner();
  std::uint8_t EnterCard(automation::BSTR port);
  std::uint8_t MoveCard(automation::BSTR port);
  automation::BSTR ReadMagcard(automation::BSTR port);
  std::uint8_t PrintData(automation::BSTR data);
  std::uint32_t AutoPageLoad();
  std::uint32_t AutoPageUnload();

  // Finds the printer by the library's enumeration and opens it; tells the user when that fails.
  // Returns the open's result (0: failed).
  int OpenPrinter();
  // Opens the scanner; tells the user and returns false when that fails.
  bool OpenScanner();
  // Takes one reading and shuts the scanner (and, when asked, the printer) down; returns the
  // reading without its first character.
  automation::BSTR FinishScan(bool close_printer);
};

}  // namespace corvi

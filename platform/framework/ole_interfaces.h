// What a host uses besides dispatch to hold a control: give it a client site, have it draw, and
// persist its properties.
#pragma once

#include "automation/unknown.h"
#include "framework/drawing.h"
#include "framework/prop_exchange.h"
#include "framework/ui.h"

namespace framework {

class IOleObject : public automation::IUnknown {
 public:
  static constexpr automation::Guid iid =
      automation::make_guid("{00000112-0000-0000-C000-000000000046}");
  // Where the control's message boxes and dialogs go; null takes the site back.
  virtual automation::HRESULT SetClientSite(IClientSite* site) = 0;
};

class IViewObject : public automation::IUnknown {
 public:
  static constexpr automation::Guid iid =
      automation::make_guid("{0000010D-0000-0000-C000-000000000046}");
  // Draws the control into `bounds` of `surface`; E_INVALIDARG without a surface.
  virtual automation::HRESULT Draw(Surface* surface, const CRect& bounds) = 0;
};

class IPersistPropertyBag : public automation::IUnknown {
 public:
  static constexpr automation::Guid iid =
      automation::make_guid("{37D84F60-42CB-11CE-8135-00AA004BB851}");
  virtual automation::HRESULT InitNew() = 0;  // the control's defaults
  virtual automation::HRESULT Load(const PropertyBag& bag) = 0;
  virtual automation::HRESULT Save(PropertyBag& bag) = 0;
};

}  // namespace framework

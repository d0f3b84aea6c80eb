// Base of a control: it answers dispatch calls from its dispatch map, describes itself with its
// type library, draws on request, persists through property exchange and shows message boxes
// through its host's client site. The class that derives from it supplies the parts below.
#pragma once

#include <string_view>

#include "automation/dispatch_map.h"
#include "framework/module.h"
#include "framework/ole_interfaces.h"

namespace framework {

class COleControl : public automation::ComObject<automation::IDispatch, IOleObject, IViewObject,
                                                 IPersistPropertyBag> {
 public:
  // Also answers the dispatch interface's own IID with IDispatch.
  automation::HRESULT QueryInterface(const automation::Guid& iid, void** out) override;

  automation::HRESULT GetTypeLib(const automation::TypeLibrary** library) override;
  automation::HRESULT GetIDsOfNames(std::string_view name, automation::DISPID* id) override;
  automation::HRESULT Invoke(automation::DISPID id, std::span<const automation::Variant> args,
                             automation::Variant* result) override;

  automation::HRESULT SetClientSite(IClientSite* site) override;
  automation::HRESULT Draw(Surface* surface, const CRect& bounds) override;

  automation::HRESULT InitNew() override;
  automation::HRESULT Load(const PropertyBag& bag) override;
  automation::HRESULT Save(PropertyBag& bag) override;

  IClientSite* client_site() const { return site_; }
  // A modal message box captioned with the module's name, owned by the control.
  int ShowMessageBox(const std::string& text, std::uint32_t style = MB_OK);

 protected:
  // The standard control state is the control's extent, in pixels.
  static constexpr std::uint32_t kDefaultExtentX = 100;
  static constexpr std::uint32_t kDefaultExtentY = 50;

  COleControl() = default;

  virtual const automation::DispatchMap& GetDispatchMap() const = 0;
  virtual const automation::TypeLibrary& GetTypeLibrary() const = 0;
  virtual void OnDraw(CDC* dc, const CRect& bounds, const CRect& invalid) = 0;
  // Exchanges the standard control state; a control that overrides it exchanges its version
  // first (ExchangeVersion), then its own properties, then calls this.
  virtual void DoPropExchange(CPropExchange* px);
  // Restores the defaults: the property exchange loading from an empty bag.
  virtual void OnResetState();

  // Loading: takes the stored "_Version" (or `default_version`). Saving: writes `default_version`
  // when `convert` is set, else the version that was loaded.
  bool ExchangeVersion(CPropExchange* px, std::uint32_t default_version, bool convert = true);

 private:
  ModuleLock lock_;
  IClientSite* site_ = nullptr;
  std::uint32_t version_loaded_ = 0;
  std::uint32_t extent_x_ = kDefaultExtentX;
  std::uint32_t extent_y_ = kDefaultExtentY;
};

}  // namespace framework

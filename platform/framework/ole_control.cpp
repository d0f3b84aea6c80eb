#include "framework/ole_control.h"

namespace framework {

using namespace automation;

HRESULT COleControl::QueryInterface(const Guid& iid, void** out) {
  const bool dispinterface = iid == GetDispatchMap().interface_info().iid;
  return ComObject::QueryInterface(dispinterface ? IDispatch::iid : iid, out);
}

HRESULT COleControl::GetTypeLib(const TypeLibrary** library) {
  if (library == nullptr) return E_INVALIDARG;
  *library = &GetTypeLibrary();
  return S_OK;
}

HRESULT COleControl::GetIDsOfNames(std::string_view name, DISPID* id) {
  return GetDispatchMap().find(name, id);
}

HRESULT COleControl::Invoke(DISPID id, std::span<const Variant> args, Variant* result) {
  return GetDispatchMap().invoke(*this, id, args, result);
}

HRESULT COleControl::SetClientSite(IClientSite* site) {
  site_ = site;
  return S_OK;
}

HRESULT COleControl::Draw(Surface* surface, const CRect& bounds) {
  if (surface == nullptr) return E_INVALIDARG;
  CDC dc(*surface);
  OnDraw(&dc, bounds, bounds);
  return S_OK;
}

HRESULT COleControl::InitNew() {
  OnResetState();
  return S_OK;
}

HRESULT COleControl::Load(const PropertyBag& bag) {
  CPropExchange px = CPropExchange::loading(bag);
  DoPropExchange(&px);
  return S_OK;
}

HRESULT COleControl::Save(PropertyBag& bag) {
  CPropExchange px = CPropExchange::saving(bag);
  DoPropExchange(&px);
  return S_OK;
}

int COleControl::ShowMessageBox(const std::string& text, std::uint32_t style) {
  return show_message_box(site_, text, module_name(), style);
}

void COleControl::DoPropExchange(CPropExchange* px) {
  px->ExchangeULong("_ExtentX", extent_x_, kDefaultExtentX);
  px->ExchangeULong("_ExtentY", extent_y_, kDefaultExtentY);
}

void COleControl::OnResetState() {
  const PropertyBag empty;
  CPropExchange px = CPropExchange::loading(empty);
  DoPropExchange(&px);
}

bool COleControl::ExchangeVersion(CPropExchange* px, std::uint32_t default_version, bool convert) {
  std::uint32_t version = default_version;
  if (!px->IsLoading() && !convert && version_loaded_ != 0) version = version_loaded_;
  px->ExchangeULong("_Version", version, default_version);
  if (px->IsLoading()) version_loaded_ = version;
  return true;
}

}  // namespace framework

#include "control_host.h"

#include <cctype>
#include <cstdio>

#include "automation/charset.h"
#include "automation/create_object.h"
#include "framework/ole_interfaces.h"

namespace corvi_tool {
namespace {

using automation::HRESULT;

std::string hex_byte(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value);
  return text;
}

// Text for the terminal; control characters (a magnetic stripe may hold any byte) as \xHH.
std::string terminal_text(std::u16string_view text) {
  std::string shown;
  std::u16string run;
  const auto flush = [&] {
    shown += automation::to_locale_charset(run).value_or(
        automation::to_charset(run, "UTF-8").value_or("?"));
    run.clear();
  };
  for (const char16_t c : text) {
    if (c >= 0x20 && c != 0x7F) {
      run += c;
      continue;
    }
    flush();
    shown += "\\x" + hex_byte(c).substr(2);
  }
  flush();
  return shown;
}

}  // namespace

ControlHost::ControlHost() {
  std::string why;
  const HRESULT hr =
      automation::create_by_prog_id(kProgId, automation::IDispatch::iid, control_.put_void(), &why);
  if (automation::failed(hr)) {
    throw Failure{"cannot create " + std::string(kProgId) + ": " + why + " (" +
                  automation::describe_result(hr) + "); run 'corvi register' first"};
  }
}

const automation::TypeLibrary& ControlHost::type_library() const {
  const automation::TypeLibrary* library = nullptr;
  const HRESULT hr = control_->GetTypeLib(&library);
  if (automation::failed(hr) || library == nullptr)
    throw Failure{"the control has no type library: " + automation::describe_result(hr)};
  return *library;
}

const automation::MethodInfo& ControlHost::method(std::string_view name) const {
  automation::DISPID id = 0;
  if (automation::failed(control_->GetIDsOfNames(name, &id)))
    throw UsageError{"the control has no method " + std::string(name) + " (see 'corvi methods')"};
  for (const auto& iface : type_library().interfaces)
    for (const auto& method : iface.methods)
      if (method.dispid == id) return method;
  throw Failure{"method " + std::string(name) + " is not in the type library"};
}

automation::Variant ControlHost::call(std::string_view name,
                                      std::vector<automation::Variant> args) {
  const automation::MethodInfo& info = method(name);
  if (args.size() != info.params.size()) {
    throw UsageError{info.name + " takes " + std::to_string(info.params.size()) + " argument(s), " +
                     std::to_string(args.size()) + " given"};
  }
  automation::Variant result;
  const HRESULT hr = control_->Invoke(info.dispid, args, &result);
  if (automation::failed(hr))
    throw Failure{info.name + " failed: " + automation::describe_result(hr)};
  return result;
}

void ControlHost::draw(framework::Surface& surface) {
  automation::ComPtr<framework::IViewObject> view;
  HRESULT hr = control_->QueryInterface(framework::IViewObject::iid, view.put_void());
  if (automation::succeeded(hr))
    hr = view->Draw(&surface, {0, 0, surface.width(), surface.height()});
  if (automation::failed(hr)) throw Failure{"drawing failed: " + automation::describe_result(hr)};
}

automation::Variant text_argument(const std::string& text) {
  const auto utf16 = automation::from_locale_charset(text);
  if (!utf16) throw UsageError{"'" + text + "' is not text in the locale's charset"};
  automation::Variant argument;
  if (automation::failed(argument.set_string(*utf16))) throw Failure{"out of memory"};
  return argument;
}

std::optional<std::string> show_result(const automation::Variant& result) {
  switch (result.type()) {
    case automation::VarType::Bstr:
      if (result.bstr() == nullptr) return std::nullopt;
      return terminal_text(automation::bstr_view(result.bstr()));
    case automation::VarType::UI1: {
      const std::uint8_t byte = result.ui1();
      std::string shown = hex_byte(byte);
      if (std::isprint(byte)) shown += std::string(" \"") + static_cast<char>(byte) + "\"";
      return shown;
    }
    case automation::VarType::UI4:
      return std::to_string(result.ui4());
    case automation::VarType::Empty:
      break;
  }
  return std::nullopt;
}

}  // namespace corvi_tool

#include "automation/type_library.h"

namespace automation {
namespace {

std::string help_suffix(const std::string& help) {
  return help.empty() ? "" : "  \"" + help + "\"";
}

std::string method_line(const MethodInfo& method) {
  std::string line = "    [id(" + std::to_string(method.dispid) + ")] " + type_name(method.result) +
                     " " + method.name + "(";
  for (std::size_t i = 0; i < method.params.size(); ++i) {
    if (i > 0) line += ", ";
    line += std::string(type_name(method.params[i].type)) + " " + method.params[i].name;
  }
  return line + ")" + help_suffix(method.help) + "\n";
}

std::string interface_text(const InterfaceInfo& iface) {
  std::string text =
      "  dispinterface " + iface.name + " " + to_string(iface.iid) + help_suffix(iface.help) + "\n";
  if (iface.methods.empty()) text += "    (no methods)\n";
  for (const auto& method : iface.methods) text += method_line(method);
  return text;
}

std::string coclass_text(const CoclassInfo& coclass) {
  std::string flags;
  if (coclass.creatable) flags += "creatable";
  if (coclass.control) flags += flags.empty() ? "control" : ", control";
  std::string text = "  coclass " + coclass.name + " " + to_string(coclass.clsid) + " [" + flags +
                     "]" + help_suffix(coclass.help) + "\n";
  text += "    [default] dispinterface " + coclass.default_interface + "\n";
  if (!coclass.source_interface.empty()) {
    text += "    [default, source] dispinterface " + coclass.source_interface + "\n";
  }
  return text;
}

}  // namespace

const char* type_name(VarType type) {
  switch (type) {
    case VarType::Bstr:
      return "BSTR";
    case VarType::UI1:
      return "unsigned char";
    case VarType::UI4:
      return "unsigned long";
    case VarType::Empty:
      break;
  }
  return "void";
}

std::string describe(const TypeLibrary& library) {
  std::string text = "library " + library.name + " " + to_string(library.libid) + " version " +
                     std::to_string(library.major) + "." + std::to_string(library.minor) +
                     " locale " + std::to_string(library.lcid) + "\n";
  text += "  helpstring \"" + library.help + "\"  helpfile \"" + library.help_file + "\"\n";
  for (const auto& iface : library.interfaces) text += interface_text(iface);
  for (const auto& coclass : library.coclasses) text += coclass_text(coclass);
  return text;
}

}  // namespace automation

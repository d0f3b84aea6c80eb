// A readable description of a type library: the library's identity, its dispatch interfaces with
// every method's DISPID, parameters and result, and its classes. Hosts print it; the registration
// of the library is written from it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "automation/guid.h"
#include "automation/variant.h"

namespace automation {

using DISPID = std::int32_t;
inline constexpr DISPID DISPID_ABOUTBOX = -552;

struct ParamInfo {
  std::string name;
  VarType type;
};

struct MethodInfo {
  std::string name;
  DISPID dispid;
  std::vector<ParamInfo> params;
  VarType result;  // Empty: the method returns nothing
  std::string help;
};

struct InterfaceInfo {  // a dispatch interface
  std::string name;
  Guid iid;
  std::string help;
  std::vector<MethodInfo> methods;
};

struct CoclassInfo {
  std::string name;
  Guid clsid;
  std::string help;
  bool creatable;
  bool control;
  std::string default_interface;  // names of entries of TypeLibrary::interfaces
  std::string source_interface;   // the event interface; may be empty
};

struct TypeLibrary {
  Guid libid;
  std::uint16_t major;
  std::uint16_t minor;
  std::uint32_t lcid;
  std::string name;
  std::string help;
  std::string help_file;
  std::vector<InterfaceInfo> interfaces;
  std::vector<CoclassInfo> coclasses;
};

// "BSTR", "unsigned char", "unsigned long" or "void": the names automation hosts know.
const char* type_name(VarType type);

// The whole library as text, one line per method ("[id(4)] unsigned char EnterCard(BSTR port)").
std::string describe(const TypeLibrary& library);

}  // namespace automation

// Registry entries of the module's classes and type library, each written or removed in one
// registry update: it lands whole or not at all, and the status says why not. The module's
// DllRegisterServer turns a failure into SELFREG_E_TYPELIB or SELFREG_E_CLASS.
//
//   <ProgID>                          @ = user type name;  CLSID\@ = {clsid}
//   CLSID\{clsid}                     @ = user type name;  ProgID\@ = <ProgID>
//     InprocServer32                  @ = module path;  ThreadingModel = "Apartment"
//     (controls) Control, ToolboxBitmap32 @ = "<module path>, <bitmap>", MiscStatus @ = "0",
//     MiscStatus\1 @ = "<misc status>", TypeLib @ = {libid}, Version @ = "<major>.<minor>"
//   TypeLib\{libid}\<major>.<minor>   @ = help string (or name); FLAGS, HELPDIR, <lcid>\linux
//   Interface\{iid}                   @ = name; ProxyStubClsid32, TypeLib (+ Version)
#pragma once

#include <cstdint>
#include <string>

#include "automation/type_library.h"
#include "registry/status.h"

namespace framework {

struct ServerClass {
  automation::Guid clsid;
  std::string prog_id;
  std::string user_type_name;
};

struct ControlClass {
  ServerClass server;
  int toolbox_bitmap;
  std::uint32_t misc_status;
  automation::Guid libid;
  std::uint16_t major;
  std::uint16_t minor;
};

// The module path written is that of the module this framework is linked into.
registry::Status register_server_class(const ServerClass& server);
registry::Status register_control_class(const ControlClass& control);
// Removes the CLSID entry and the ProgID entry (the latter only while it names this class).
registry::Status unregister_class(const automation::Guid& clsid, const std::string& prog_id);

registry::Status register_type_library(const automation::TypeLibrary& library);
// Removes this version of the library and its interfaces' entries.
registry::Status unregister_type_library(const automation::TypeLibrary& library);

}  // namespace framework

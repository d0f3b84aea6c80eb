#include "framework/registration.h"

#include <cstdio>
#include <filesystem>

#include "framework/module.h"
#include "registry/store.h"

namespace framework {
namespace {

using automation::Guid;
using automation::to_string;
using registry::Key;

// The proxy of dispatch-only interfaces.
constexpr Guid kDispatchProxy = automation::make_guid("{00020420-0000-0000-C000-000000000046}");

std::string clsid_key(const Guid& clsid) {
  return "CLSID\\" + to_string(clsid);
}

std::string version_text(std::uint16_t major, std::uint16_t minor) {
  return std::to_string(major) + "." + std::to_string(minor);
}

std::string typelib_key(const automation::TypeLibrary& library) {
  return "TypeLib\\" + to_string(library.libid) + "\\" + version_text(library.major, library.minor);
}

bool names_guid(const std::string* text, const Guid& guid) {
  return text != nullptr && automation::parse_guid(*text) == guid;
}

registry::Status update(const std::function<void(Key&)>& change) {
  return registry::Store::at_default_location().update(change);
}

void write_server_class(Key& root, const ServerClass& server, const std::string& module) {
  Key* prog_id = root.create(server.prog_id);
  prog_id->set("", server.user_type_name);
  prog_id->create("CLSID")->set("", to_string(server.clsid));
  Key* clsid = root.create(clsid_key(server.clsid));
  clsid->set("", server.user_type_name);
  clsid->create("ProgID")->set("", server.prog_id);
  Key* inproc = clsid->create("InprocServer32");
  inproc->set("", module);
  inproc->set("ThreadingModel", std::string("Apartment"));
}

}  // namespace

registry::Status register_server_class(const ServerClass& server) {
  const std::string module = module_path();
  return update([&](Key& root) { write_server_class(root, server, module); });
}

registry::Status register_control_class(const ControlClass& control) {
  const std::string module = module_path();
  return update([&](Key& root) {
    write_server_class(root, control.server, module);
    Key* clsid = root.find(clsid_key(control.server.clsid));
    clsid->create("Control");
    clsid->create("ToolboxBitmap32")
        ->set("", module + ", " + std::to_string(control.toolbox_bitmap));
    Key* misc = clsid->create("MiscStatus");
    misc->set("", std::string("0"));
    misc->create("1")->set("", std::to_string(control.misc_status));
    clsid->create("TypeLib")->set("", to_string(control.libid));
    clsid->create("Version")->set("", version_text(control.major, control.minor));
  });
}

registry::Status unregister_class(const Guid& clsid, const std::string& prog_id) {
  return update([&](Key& root) {
    root.remove(clsid_key(clsid));
    if (!prog_id.empty() && names_guid(root.find_string(prog_id + "\\CLSID"), clsid)) {
      root.remove(prog_id);
    }
  });
}

registry::Status register_type_library(const automation::TypeLibrary& library) {
  const std::string module = module_path();
  return update([&](Key& root) {
    Key* version = root.create(typelib_key(library));
    version->set("", library.help.empty() ? library.name : library.help);
    version->create("FLAGS")->set("", std::string("0"));
    version->create("HELPDIR")->set("", std::filesystem::path(module).parent_path().string());
    char lcid[16];
    std::snprintf(lcid, sizeof lcid, "%X", library.lcid);
    version->create(std::string(lcid) + "\\linux")->set("", module);
    for (const auto& iface : library.interfaces) {
      Key* key = root.create("Interface\\" + to_string(iface.iid));
      key->set("", iface.name);
      key->create("ProxyStubClsid32")->set("", to_string(kDispatchProxy));
      Key* typelib = key->create("TypeLib");
      typelib->set("", to_string(library.libid));
      typelib->set("Version", version_text(library.major, library.minor));
    }
  });
}

registry::Status unregister_type_library(const automation::TypeLibrary& library) {
  return update([&](Key& root) {
    root.remove(typelib_key(library));
    const std::string libid_key = "TypeLib\\" + to_string(library.libid);
    if (const Key* libid = root.find(libid_key); libid != nullptr && libid->empty()) {
      root.remove(libid_key);
    }
    for (const auto& iface : library.interfaces) {
      const std::string key = "Interface\\" + to_string(iface.iid);
      if (names_guid(root.find_string(key + "\\TypeLib"), library.libid)) root.remove(key);
    }
  });
}

}  // namespace framework

#include "registration.h"

#include <cstdio>

#include "automation/create_object.h"
#include "control_host.h"
#include "registry/store.h"

namespace corvi_tool {
namespace {

// Why the registry could not be updated: its location cannot be written, or its file is corrupt.
std::string registry_problem() {
  const registry::Store store = registry::Store::at_default_location();
  registry::Status status = store.check_writable();
  if (status.ok()) {
    registry::Key root;
    status = store.read(root);
  }
  return status.ok() ? "the registry at " + store.path() + " could not be updated" : status.error;
}

}  // namespace

int update_registration(const std::string& module, bool install) {
  automation::ModuleEntryPoints entry_points{};
  std::string why;
  if (automation::failed(automation::load_module(module, &entry_points, &why))) throw Failure{why};
  const automation::HRESULT hr =
      install ? entry_points.register_server() : entry_points.unregister_server();
  const char* what = install ? "registration" : "unregistration";
  if (automation::failed(hr)) {
    std::fprintf(stderr, "corvi: %s of %s failed: %s\ncorvi: %s\n", what, module.c_str(),
                 automation::describe_result(hr).c_str(), registry_problem().c_str());
    return 1;
  }
  std::printf("%s of %s done in %s\n", what, module.c_str(),
              registry::Store::at_default_location().path().c_str());
  return 0;
}

}  // namespace corvi_tool

// The class object a module hands out for each of its classes: it creates the objects.
#pragma once

#include "automation/unknown.h"

namespace automation {

class IClassFactory : public IUnknown {
 public:
  static constexpr Guid iid = make_guid("{00000001-0000-0000-C000-000000000046}");
  // A new object, asked for interface `iid`. Objects cannot be aggregated: a non-null `outer`
  // gives CLASS_E_NOAGGREGATION.
  virtual HRESULT CreateInstance(IUnknown* outer, const Guid& iid, void** out) = 0;
  // Keeps the module loaded while locked, whether or not objects are alive.
  virtual HRESULT LockServer(bool lock) = 0;
};

}  // namespace automation

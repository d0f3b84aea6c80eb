// The component-category manager: names categories of classes (for example "safe for
// scripting") and records which classes implement which categories, in the registry:
//   Component Categories\{catid}              value "<locale in hex>" = description
//   CLSID\{clsid}\Implemented Categories\{catid}
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "automation/guid.h"
#include "automation/result.h"

namespace automation {

struct CategoryInfo {
  Guid catid;
  std::uint32_t lcid;
  std::string description;  // UTF-8; only the first kMaxCategoryDescription characters are kept
};

inline constexpr std::size_t kMaxCategoryDescription = 127;

class ICatRegister {
 public:
  // Each call is one registry update: it lands whole or not at all (E_FAIL).
  virtual HRESULT RegisterCategories(std::span<const CategoryInfo> categories) = 0;
  virtual HRESULT RegisterClassImplCategories(const Guid& clsid, std::span<const Guid> catids) = 0;
  virtual HRESULT UnRegisterClassImplCategories(const Guid& clsid,
                                                std::span<const Guid> catids) = 0;

 protected:
  ~ICatRegister() = default;
};

// The manager over the registry at its default location.
ICatRegister& category_manager();

}  // namespace automation

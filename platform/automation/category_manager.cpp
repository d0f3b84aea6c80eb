#include "automation/category_manager.h"

#include <cstdio>

#include "registry/store.h"

namespace automation {
namespace {

std::string implemented_key(const Guid& clsid) {
  return "CLSID\\" + to_string(clsid) + "\\Implemented Categories";
}

// The first `limit` characters of UTF-8 `text` (a character is cut whole or not at all).
std::string first_characters(const std::string& text, std::size_t limit) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool starts_character = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    if (starts_character && count++ == limit) return text.substr(0, i);
  }
  return text;
}

std::string locale_name(std::uint32_t lcid) {
  char name[16];
  std::snprintf(name, sizeof name, "%X", lcid);
  return name;
}

HRESULT update(const std::function<void(registry::Key&)>& change) {
  return registry::Store::at_default_location().update(change).ok() ? S_OK : E_FAIL;
}

class RegistryCategoryManager final : public ICatRegister {
 public:
  HRESULT RegisterCategories(std::span<const CategoryInfo> categories) override {
    return update([&](registry::Key& root) {
      for (const auto& category : categories) {
        root.create("Component Categories\\" + to_string(category.catid))
            ->set(locale_name(category.lcid),
                  first_characters(category.description, kMaxCategoryDescription));
      }
    });
  }

  HRESULT RegisterClassImplCategories(const Guid& clsid, std::span<const Guid> catids) override {
    return update([&](registry::Key& root) {
      for (const auto& catid : catids)
        root.create(implemented_key(clsid) + "\\" + to_string(catid));
    });
  }

  HRESULT UnRegisterClassImplCategories(const Guid& clsid, std::span<const Guid> catids) override {
    return update([&](registry::Key& root) {
      for (const auto& catid : catids)
        root.remove(implemented_key(clsid) + "\\" + to_string(catid));
      const registry::Key* implemented = root.find(implemented_key(clsid));
      if (implemented != nullptr && implemented->empty()) root.remove(implemented_key(clsid));
    });
  }
};

}  // namespace

ICatRegister& category_manager() {
  static RegistryCategoryManager manager;
  return manager;
}

}  // namespace automation

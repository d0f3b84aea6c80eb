// Property exchange: one routine of the control both saves its persistent values into a property
// bag and loads them back (with defaults for what the bag lacks), depending on the direction.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace framework {

using PropertyBag = std::map<std::string, std::uint32_t, std::less<>>;

class CPropExchange {
 public:
  static CPropExchange loading(const PropertyBag& bag) { return CPropExchange(&bag, nullptr); }
  static CPropExchange saving(PropertyBag& bag) { return CPropExchange(nullptr, &bag); }

  bool IsLoading() const { return in_ != nullptr; }
  // Loading: `value` becomes the bag's entry, or `default_value` when there is none.
  // Saving: the bag's entry becomes `value`.
  void ExchangeULong(std::string_view name, std::uint32_t& value, std::uint32_t default_value);

 private:
  CPropExchange(const PropertyBag* in, PropertyBag* out) : in_(in), out_(out) {}
  const PropertyBag* in_;
  PropertyBag* out_;
};

}  // namespace framework

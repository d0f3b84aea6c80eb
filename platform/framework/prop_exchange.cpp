#include "framework/prop_exchange.h"

namespace framework {

void CPropExchange::ExchangeULong(std::string_view name, std::uint32_t& value,
                                  std::uint32_t default_value) {
  if (!IsLoading()) {
    (*out_)[std::string(name)] = value;
    return;
  }
  const auto it = in_->find(name);
  value = it == in_->end() ? default_value : it->second;
}

}  // namespace framework

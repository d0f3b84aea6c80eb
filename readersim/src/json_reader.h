// What every card-file parser needs: errors that name the file, and objects whose keys are
// checked against the ones the format knows.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "readersim/card.h"

namespace readersim {

class JsonReader {
 protected:
  explicit JsonReader(std::string_view origin) : origin_(origin) {}

  [[noreturn]] void fail(const std::string& what) const {
    throw CardError(std::string(origin_) + ": " + what);
  }

  void object(const nlohmann::json& value, const std::string& where,
              std::initializer_list<std::string_view> known) const {
    if (!value.is_object()) fail(where + " must be an object");
    for (const auto& item : value.items())
      if (std::find(known.begin(), known.end(), item.key()) == known.end())
        fail("unknown key \"" + item.key() + "\" in " + where);
  }

  std::string_view origin_;
};

}  // namespace readersim

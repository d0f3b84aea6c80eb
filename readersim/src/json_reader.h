// What every card-file parser needs: errors that name the file, objects whose keys are checked
// against the ones the format knows, and byte strings written as hex digits.
#pragma once

#include <algorithm>
#include <cstddef>
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

  // A string of hex digits, spaces allowed between them.
  Bytes hex_text(const nlohmann::json& value, const std::string& where) const;
  // The same, holding `min` to `max` bytes.
  Bytes hex_text(const nlohmann::json& value, const std::string& where, std::size_t min,
                 std::size_t max) const;
  // The hex string under `key` (`min` to `max` bytes); empty when the key is absent, which is an
  // error when `min` is above 0.
  Bytes hex(const nlohmann::json& value, const char* key, const std::string& where, std::size_t min,
            std::size_t max) const;

  std::string_view origin_;
};

}  // namespace readersim

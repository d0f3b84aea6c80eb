// One key of the registry tree: named subkeys and named values, names compared without regard to
// ASCII case (like the system registry), spelling kept as first given.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <variant>

namespace registry {

// A string value or a 32-bit number (dword).
using Value = std::variant<std::string, std::uint32_t>;

struct CaseInsensitiveLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};

class Key {
 public:
  using Subkeys = std::map<std::string, Key, CaseInsensitiveLess>;
  using Values = std::map<std::string, Value, CaseInsensitiveLess>;

  // Paths are subkey names joined by '\'. An empty path is this key; an empty component
  // ("a\\\\b", a leading or trailing '\') makes the path invalid.
  Key* create(std::string_view path);  // creates missing keys; null for an invalid path
  Key* find(std::string_view path);
  const Key* find(std::string_view path) const;
  bool remove(std::string_view path);  // the key and everything under it; false if absent

  // Value names: "" is the key's default value.
  void set(std::string_view name, Value value);
  const Value* get(std::string_view name) const;
  // The string value `name` of the key at `path`, or null when either is missing or not a string.
  const std::string* find_string(std::string_view path, std::string_view name = "") const;

  const Subkeys& subkeys() const { return subkeys_; }
  const Values& values() const { return values_; }
  bool empty() const { return subkeys_.empty() && values_.empty(); }
  bool operator==(const Key&) const = default;

 private:
  Subkeys subkeys_;
  Values values_;
};

}  // namespace registry

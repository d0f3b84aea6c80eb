#include "registry/key.h"

#include <algorithm>

namespace registry {
namespace {

char fold(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Splits off the first component of a path; false when the component is empty.
bool next_component(std::string_view& rest, std::string_view& name) {
  const auto sep = rest.find('\\');
  name = rest.substr(0, sep);
  rest = sep == std::string_view::npos ? std::string_view{} : rest.substr(sep + 1);
  return !name.empty() && !(sep != std::string_view::npos && rest.empty());
}

}  // namespace

bool CaseInsensitiveLess::operator()(std::string_view a, std::string_view b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(fold(x)) < static_cast<unsigned char>(fold(y));
  });
}

Key* Key::create(std::string_view path) {
  Key* key = this;
  std::string_view name;
  while (!path.empty()) {
    if (!next_component(path, name)) return nullptr;
    auto it = key->subkeys_.find(name);
    if (it == key->subkeys_.end()) it = key->subkeys_.emplace(std::string(name), Key{}).first;
    key = &it->second;
  }
  return key;
}

const Key* Key::find(std::string_view path) const {
  const Key* key = this;
  std::string_view name;
  while (!path.empty()) {
    if (!next_component(path, name)) return nullptr;
    const auto it = key->subkeys_.find(name);
    if (it == key->subkeys_.end()) return nullptr;
    key = &it->second;
  }
  return key;
}

Key* Key::find(std::string_view path) {
  return const_cast<Key*>(static_cast<const Key*>(this)->find(path));
}

bool Key::remove(std::string_view path) {
  const auto sep = path.rfind('\\');
  Key* parent = sep == std::string_view::npos ? this : find(path.substr(0, sep));
  const auto name = sep == std::string_view::npos ? path : path.substr(sep + 1);
  if (parent == nullptr) return false;
  const auto it = parent->subkeys_.find(name);
  if (it == parent->subkeys_.end()) return false;
  parent->subkeys_.erase(it);
  return true;
}

void Key::set(std::string_view name, Value value) {
  const auto it = values_.find(name);
  if (it == values_.end()) {
    values_.emplace(std::string(name), std::move(value));
  } else {
    it->second = std::move(value);
  }
}

const Value* Key::get(std::string_view name) const {
  const auto it = values_.find(name);
  return it == values_.end() ? nullptr : &it->second;
}

const std::string* Key::find_string(std::string_view path, std::string_view name) const {
  const Key* key = find(path);
  const Value* value = key ? key->get(name) : nullptr;
  return value ? std::get_if<std::string>(value) : nullptr;
}

}  // namespace registry

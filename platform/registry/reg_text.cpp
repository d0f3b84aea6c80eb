#include "registry/reg_text.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace registry {
namespace {

constexpr std::string_view kDwordPrefix = "dword:";

std::string quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out + '"';
}

std::string value_text(const Value& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return quoted(*text);
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "dword:%08x", std::get<std::uint32_t>(value));
  return buffer;
}

void format_key(const Key& key, const std::string& path, bool write_section, std::string& out) {
  if (write_section) {
    out += "[" + path + "]\n";
    for (const auto& [name, value] : key.values()) {
      out += (name.empty() ? std::string("@") : quoted(name)) + "=" + value_text(value) + "\n";
    }
    out += "\n";
  }
  for (const auto& [name, child] : key.subkeys()) format_key(child, path + "\\" + name, true, out);
}

bool same_name(std::string_view a, std::string_view b) {
  return !CaseInsensitiveLess{}(a, b) && !CaseInsensitiveLess{}(b, a);
}

std::string_view trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// Reads a quoted string at the start of `s` and advances `s` past it; false (with `error`) when
// the string is malformed.
bool read_quoted(std::string_view& s, std::string& out, std::string& error) {
  if (s.empty() || s.front() != '"') return error = "expected a quoted string", false;
  for (std::size_t i = 1; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '"') {
      s.remove_prefix(i + 1);
      return true;
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i == s.size()) break;
    switch (s[i]) {
      case '\\':
        out += '\\';
        break;
      case '"':
        out += '"';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      default:
        return error = "unknown escape \\" + std::string(1, s[i]), false;
    }
  }
  return error = "unterminated string", false;
}

bool read_dword(std::string_view s, std::uint32_t& out, std::string& error) {
  const auto digits = s.substr(kDwordPrefix.size());
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), out, 16);
  if (digits.empty() || digits.size() > 8 || ec != std::errc{} ||
      end != digits.data() + digits.size()) {
    return error = "bad dword value", false;
  }
  return true;
}

bool read_value(std::string_view line, Key& key, std::string& error) {
  std::string name;
  if (line.starts_with('@')) {
    line.remove_prefix(1);
  } else if (!read_quoted(line, name, error)) {
    return false;
  }
  line = trim(line);
  if (!line.starts_with('=')) return error = "expected '=' after the value name", false;
  line = trim(line.substr(1));
  if (line.starts_with(kDwordPrefix)) {
    std::uint32_t number = 0;
    if (!read_dword(line, number, error)) return false;
    key.set(name, number);
    return true;
  }
  if (!line.starts_with('"')) return error = "unsupported value type", false;
  std::string text;
  if (!read_quoted(line, text, error)) return false;
  if (!trim(line).empty()) return error = "unexpected text after the value", false;
  key.set(name, std::move(text));
  return true;
}

// "[HKEY_CLASSES_ROOT\a\b]" -> the key a\b under `root`, created if missing.
Key* read_section(std::string_view line, Key& root, std::string& error) {
  if (!line.ends_with(']')) return error = "unterminated key name", nullptr;
  const auto path = line.substr(1, line.size() - 2);
  const auto sep = path.find('\\');
  const auto root_name = path.substr(0, sep);
  if (!same_name(root_name, kClassesRoot)) {
    return error = "key outside " + std::string(kClassesRoot), nullptr;
  }
  if (sep == std::string_view::npos) return &root;
  const auto rest = path.substr(sep + 1);
  if (rest.empty()) return error = "empty key name", nullptr;
  if (std::count(rest.begin(), rest.end(), '\\') >= kMaxKeyDepth) {
    return error = "key nested too deeply", nullptr;
  }
  Key* key = root.create(rest);
  if (key == nullptr) error = "empty key name";
  return key;
}

}  // namespace

std::string format(const Key& root) {
  std::string out = std::string(kRegHeader) + "\n\n";
  format_key(root, std::string(kClassesRoot), !root.values().empty(), out);
  return out;
}

Status parse(std::string_view text, Key& root) {
  constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
  if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
  Key* current = nullptr;
  bool header_seen = false;
  std::size_t line_number = 0;
  std::string error;
  while (!text.empty() && error.empty()) {
    const auto end = text.find('\n');
    const auto line = trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    ++line_number;
    if (line.empty() || line.starts_with(';')) continue;
    if (!header_seen) {
      header_seen = line == kRegHeader;
      if (!header_seen)
        error = "not a registry file (expected \"" + std::string(kRegHeader) + "\")";
    } else if (line.starts_with('[')) {
      current = read_section(line, root, error);
    } else if (current == nullptr) {
      error = "value outside a key";
    } else {
      read_value(line, *current, error);
    }
  }
  if (error.empty()) return {};
  return {"line " + std::to_string(line_number) + ": " + error};
}

}  // namespace registry

#include "call_log.h"

#include <cstdio>
#include <sstream>

#include "sim_folder.h"
#include "utf.h"

namespace rkprinter {
namespace {

std::string quoted_bytes(std::string_view bytes) {
  std::string out = "\"";
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\' || c == '"') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (byte < 0x20 || byte == 0x7F) {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

std::string quoted(const char* text) {
  return text == nullptr ? "null" : quoted_bytes(text);
}

std::string quoted(const char16_t* text) {
  return text == nullptr ? "null" : quoted_bytes(to_utf8(text));
}

void record_call(std::string_view call, std::string_view result) {
  std::string line(call);
  line += " = ";
  line += result;
  line += '\n';
  append_to(call_log_file(), line);
}

void record_call(std::string_view call, int result) {
  record_call(call, std::to_string(result));
}

std::vector<std::string> recorded_calls() {
  std::istringstream log(contents(call_log_file()));
  std::vector<std::string> lines;
  for (std::string line; std::getline(log, line);) lines.push_back(line);
  return lines;
}

}  // namespace rkprinter

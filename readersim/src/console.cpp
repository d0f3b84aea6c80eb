#include "console.h"

#include <charconv>
#include <string>
#include <vector>

namespace readersim {
namespace {

std::vector<std::string_view> words(std::string_view line) {
  std::vector<std::string_view> result;
  for (std::size_t at = 0;;) {
    at = line.find_first_not_of(" \t\r", at);
    if (at == std::string_view::npos) return result;
    std::size_t end = std::min(line.find_first_of(" \t\r", at), line.size());
    result.push_back(line.substr(at, end - at));
    at = end;
  }
}

std::optional<int> number(std::string_view text) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
  return value;
}

// The rest of the line after its first word, trimmed.
std::string_view argument(std::string_view line) {
  std::size_t at = line.find_first_not_of(" \t");
  at = line.find_first_of(" \t", at);
  if (at == std::string_view::npos) return {};
  line = line.substr(at);
  line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
  line.remove_suffix(line.size() - std::min(line.find_last_not_of(" \t\r") + 1, line.size()));
  return line;
}

std::string_view led_word(LedMode mode) {
  switch (mode) {
    case LedMode::Off:
      return "off";
    case LedMode::On:
      return "on";
    case LedMode::Flash:
      return "flash";
  }
  return "?";
}

}  // namespace

bool Console::execute(std::string_view line) {
  std::vector<std::string_view> w = words(line);
  if (w.empty()) return true;
  if (w[0] == "quit") return false;
  if (w[0] == "help") {
    out_ << kHelp;
  } else if (w[0] == "insert") {
    insert(argument(line));
  } else if (w[0] == "remove" && w.size() == 1) {
    remove();
  } else if (w[0] == "sam") {
    sam(argument(line));
  } else if (w[0] == "fault") {
    fault(argument(line));
  } else if (w[0] == "status" && w.size() == 1) {
    status();
  } else {
    err_ << "unknown command: " << line << " (try help)\n";
  }
  return true;
}

void Console::run(std::istream& in) {
  for (std::string line; std::getline(in, line);) {
    if (!execute(line)) return;
  }
}

void Console::insert(std::string_view file) {
  if (file.empty()) {
    err_ << "insert: which card file?\n";
    return;
  }
  try {
    Card card = load_card(std::string(file));
    out_ << "inserted " << (card.name.empty() ? std::string(file) : card.name) << '\n';
    reader_.insert_card(std::move(card));
  } catch (const CardError& e) {
    err_ << "insert: " << e.what() << '\n';
  }
}

void Console::remove() {
  if (reader_.remove_card()) {
    out_ << "card taken from the gate\n";
  } else {
    err_ << "remove: no card at the gate\n";
  }
}

void Console::sam(std::string_view args) {
  const std::vector<std::string_view> w = words(args);
  const std::optional<int> socket = w.empty() ? std::nullopt : number(w[0]);
  if (w.size() != 2 || !socket || *socket >= static_cast<int>(kSamSockets)) {
    err_ << "sam: usage: sam <0-7> <card.json>\n";
    return;
  }
  try {
    Card card = load_card(std::string(w[1]));
    if (!card.sam) {
      err_ << "sam: " << w[1] << " holds no \"sam\" chip\n";
      return;
    }
    out_ << "socket " << *socket << ": " << (card.name.empty() ? std::string(w[1]) : card.name)
         << '\n';
    reader_.update_state([&](ReaderState& s) { s.chips.sams[*socket] = std::move(card); });
  } catch (const CardError& e) {
    err_ << "sam: " << e.what() << '\n';
  }
}

void Console::fault(std::string_view args) {
  std::vector<std::string_view> w = words(args);
  if (w.size() == 1 && w[0] == "clear") {
    reader_.clear_faults();
    out_ << "faults cleared\n";
    return;
  }
  std::optional<Fault> kind = w.empty() ? std::nullopt : fault_from_name(w[0]);
  std::optional<int> count = w.size() > 1 ? number(w[1]) : 1;
  std::optional<int> ms = w.size() > 2 ? number(w[2]) : 0;
  if (!kind || !count || !ms || w.size() > 3) {
    err_ << "fault: usage: fault <kind> [count] [ms] | fault clear; kinds: " << fault_names()
         << '\n';
    return;
  }
  reader_.inject(*kind, *count, std::chrono::milliseconds(*ms));
  out_ << "fault " << fault_name(*kind) << " for "
       << (*count == kUntilCleared ? std::string("every request") : std::to_string(*count)) << '\n';
}

void Console::status() {
  ReaderState s = reader_.state();
  out_ << "position " << static_cast<char>(s.position());
  if (s.card) out_ << " card \"" << s.card->card.name << '"';
  out_ << (reader_.wait_for_entry(std::chrono::milliseconds(0)) ? " entry waiting" : "") << '\n'
       << "led1 " << led_word(s.leds[0].mode) << " led2 " << led_word(s.leds[1].mode)
       << " retained " << s.retained << " contact power " << (s.contact_power ? "on" : "off")
       << " baud " << s.baud << '\n'
       << "requests " << reader_.request_count() << " protocol errors " << reader_.protocol_errors()
       << '\n';
}

}  // namespace readersim

#include "pboc_steps.h"

#include <cstdio>
#include <string_view>

#include "Ferro.h"
#include "Tarn_DLL.h"

namespace tarn_tool {
namespace {

constexpr std::size_t kLogHeader = 5;
constexpr std::size_t kLogEntry = 107;
constexpr std::size_t kMaxLogText = kLogHeader + 99 * kLogEntry;
constexpr std::size_t kResultSize = 99;

// One entry's fields P to X, each a letter, three digits of length and the text.
struct LogEntry {
  std::string fields[9];
};

std::optional<LogEntry> parse_entry(std::string_view text) {
  LogEntry entry;
  std::size_t p = 0;
  for (int i = 0; i < 9; ++i) {
    if (p + 4 > text.size() || text[p] != 'P' + i) return std::nullopt;
    const std::size_t n = std::stoul(std::string(text.substr(p + 1, 3)));
    if (p + 4 + n > text.size()) return std::nullopt;
    entry.fields[i] = std::string(text.substr(p + 4, n));
    p += 4 + n;
  }
  return entry;
}

// Merchant names are GBK text padded with spaces or zeros.
std::string merchant(const std::string& raw) {
  return from_gbk(std::span(reinterpret_cast<const unsigned char*>(raw.data()), raw.size()));
}

void print_log(std::string_view text) {
  const int count = std::stoi(std::string(text.substr(0, 2)));
  std::printf("   %-2s %-6s %-6s %-12s %-12s %-4s %-4s %-2s %-5s %s\n", "#", "date", "time",
              "amount", "other", "ctry", "curr", "ty", "ATC", "merchant");
  for (int i = 0; i < count; ++i) {
    const auto entry = parse_entry(text.substr(kLogHeader + i * kLogEntry, kLogEntry));
    if (!entry) {
      std::printf("   %-2d (entry not readable)\n", i + 1);
      continue;
    }
    const auto& f = entry->fields;  // P Q R S T U V W X
    std::printf("   %-2d %-6s %-6s %-12s %-12s %-4s %-4s %-2s %-5s %s\n", i + 1, f[3].c_str(),
                f[5].c_str(), f[0].c_str(), f[1].c_str(), f[2].c_str(), f[6].c_str(), f[4].c_str(),
                f[8].c_str(), merchant(f[7]).c_str());
  }
}

}  // namespace

int kernel_report(const char* what, int result) {
  const char* text = nullptr;
  switch (result) {
    case FERRO_CARD_STATUS:
      text = "the card refused a command (status other than 90 00)";
      break;
    case FERRO_NO_CALLBACK:
      text = "the kernel has no callback for the reader";
      break;
    case FERRO_MISSING_DATA:
      text = "data missing (no first GENERATE AC, no issuer authentication data or no tag 80)";
      break;
    case FERRO_BAD_CARD_DATA:
      text = "the card's answer is malformed";
      break;
    case FERRO_BAD_ARGUMENT:
      text = "bad argument";
      break;
    default:
      return report(what, result);
  }
  std::fprintf(stderr, "tarn: %s: %d (%s)\n", what, result, text);
  return 1;
}

readersim::pboc::Balance amount_arg(const std::string& text) {
  const auto amount = readersim::pboc::balance_from_digits(text);
  if (!amount) throw UsageError{"an amount is 1 to 12 digits in minor units: '" + text + "'"};
  return *amount;
}

void present_card(Session& s, bool contactless) {
  if (!s.sim) return;
  const bool has_chip = contactless ? s.card.contactless.has_value() : s.card.contact.has_value();
  if (!has_chip)
    s.card =
        readersim::load_card(readersim::cards_dir() /
                             (contactless ? "pboc_contactless_card.json" : "pboc_debit_card.json"));
  s.sim->place_card(s.card,
                    contactless ? readersim::Position::RfField : readersim::Position::IcContacts);
}

std::optional<Field55> request_field55(Session& s, const readersim::pboc::Balance& amount, int type,
                                       bool contactless) {
  Field55 f;
  const auto get = contactless ? Tarn_CPUTypeAPBOCGet55FieldData : Tarn_PBOCGet55FieldData;
  const int r = get(s.port, type, amount.data(), &f.pan_sequence, f.track2.data(), &f.track2_length,
                    f.bytes.data(), &f.length);
  if (r != 0) {
    kernel_report("field 55", r);
    return std::nullopt;
  }
  return f;
}

bool complete_with_issuer(const std::string& issuer_hex) {
  std::array<unsigned char, kResultSize> result{};
  const int r = pboc_arqcexeicscript(issuer_hex.c_str(), result.data());
  if (r != 0) return kernel_report("issuer authentication and script", r) == 0;
  std::printf("   result (second GENERATE AC): %s\n", hex(result).c_str());
  return true;
}

bool show_balance(Session& s) {
  std::array<unsigned char, 6> balance{};
  if (const int r = Tarn_ElectronicBalance(s.port, balance.data()))
    return kernel_report("balance", r) == 0;
  std::printf("   electronic cash balance: %s\n", hex(balance).c_str());
  return true;
}

bool show_trade_log(Session& s) {
  std::string text(kMaxLogText + 1, '\0');
  if (const int r = Tarn_GetTradeRecord(s.port, text.data()))
    return kernel_report("trade log", r) == 0;
  if (text[0] == '\0') {
    std::printf("   the card's transaction log is empty\n");
    return true;
  }
  print_log(text);
  return true;
}

}  // namespace tarn_tool

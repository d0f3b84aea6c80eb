#include "chip_file.h"

#include <algorithm>

#include "json_reader.h"

namespace readersim {
namespace {

using nlohmann::json;

constexpr std::size_t kMaxAtr = 33;
constexpr std::size_t kMaxAnswerToSelect = 64;
constexpr std::size_t kMaxName = 16;
constexpr std::size_t kMaxData = 256;
constexpr int kMaxSfi = 30;
constexpr std::size_t kMaxLogRecords = 99;  // the log reader's header counts two digits

class ChipParser : JsonReader {
 public:
  explicit ChipParser(std::string_view origin) : JsonReader(origin) {}

  Chip contact(const json& value, std::string_view key) const {
    const std::string where = "\"" + std::string(key) + "\"";
    object(value, where, {"atr", "protocol", "get_response", "files", "answers", "dfs"});
    Chip chip;
    chip.atr = hex(value, "atr", where, 1, kMaxAtr);
    chip.protocol = protocol(value, where);
    if (value.contains("get_response") && !value["get_response"].is_boolean())
      fail(where + ".get_response must be true or false");
    chip.get_response = value.value("get_response", false);
    if (chip.get_response && chip.protocol != 0) fail(where + ": get_response needs T=0");
    file_system(value, where, chip);
    return chip;
  }

  Chip contactless(const json& value) const {
    const std::string where = "\"contactless\"";
    const json type = value.contains("type") ? value["type"] : json();  // any JSON type
    if (type != "A" && type != "B") fail(where + ".type must be \"A\" or \"B\"");
    const char* answer = type == "A" ? "ats" : "atqb";
    object(value, where, {"type", answer, "files", "answers", "dfs"});
    Chip chip;
    chip.interface = type == "A" ? ChipInterface::TypeA : ChipInterface::TypeB;
    chip.atr = hex(value, answer, where, 1, kMaxAnswerToSelect);
    file_system(value, where, chip);
    return chip;
  }

 private:
  const json& array(const json& value, const char* key, const std::string& where) const {
    static const json empty = json::array();
    if (!value.contains(key)) return empty;
    if (!value[key].is_array()) fail(where + "." + key + " must be an array");
    return value[key];
  }

  std::uint8_t protocol(const json& value, const std::string& where) const {
    if (!value.contains("protocol") || value["protocol"] == "T=0") return 0;
    if (value["protocol"] == "T=1") return 1;
    fail(where + ".protocol must be \"T=0\" or \"T=1\"");
  }

  void file_system(const json& value, const std::string& where, Chip& chip) const {
    chip.files = files(value, where);
    chip.answers = answers(value, where);
    for (const json& df : array(value, "dfs", where))
      chip.dfs.push_back(
          dedicated_file(df, where + ".dfs[" + std::to_string(chip.dfs.size()) + "]"));
  }

  std::vector<ElementaryFile> files(const json& value, const std::string& where) const {
    std::vector<ElementaryFile> result;
    for (const json& ef : array(value, "files", where))
      result.push_back(
          elementary_file(ef, where + ".files[" + std::to_string(result.size()) + "]"));
    return result;
  }

  ElementaryFile elementary_file(const json& value, const std::string& where) const {
    object(value, where, {"id", "sfi", "records"});
    ElementaryFile ef;
    if (value.contains("id")) {
      const Bytes id = hex_text(value["id"], where + ".id", 2, 2);
      ef.id = static_cast<std::uint16_t>(id[0] << 8 | id[1]);
    }
    if (value.contains("sfi")) {
      const json& sfi = value["sfi"];
      if (!sfi.is_number_integer() || sfi.get<int>() < 1 || sfi.get<int>() > kMaxSfi)
        fail(where + ".sfi must be a number from 1 to 30");
      ef.sfi = static_cast<std::uint8_t>(sfi.get<int>());
    }
    if (!ef.id && ef.sfi == 0) fail(where + " needs an \"id\" or an \"sfi\"");
    const json& records = array(value, "records", where);
    for (std::size_t r = 0; r < records.size(); ++r)
      ef.records.push_back(
          hex_text(records[r], where + ".records[" + std::to_string(r) + "]", 1, kMaxData));
    return ef;
  }

  std::vector<FixedAnswer> answers(const json& value, const std::string& where) const {
    std::vector<FixedAnswer> result;
    for (const json& answer : array(value, "answers", where)) {
      const std::string at = where + ".answers[" + std::to_string(result.size()) + "]";
      object(answer, at, {"command", "response"});
      result.push_back(
          {hex(answer, "command", at, 1, kMaxData), hex(answer, "response", at, 2, kMaxData + 2)});
    }
    return result;
  }

  DedicatedFile dedicated_file(const json& value, const std::string& where) const {
    object(value, where, {"name", "fci", "files", "answers", "payment"});
    DedicatedFile df;
    df.name = hex(value, "name", where, 1, kMaxName);
    df.fci = hex(value, "fci", where, 0, kMaxData);
    df.files = files(value, where);
    df.answers = answers(value, where);
    if (value.contains("payment")) df.payment = payment(value["payment"], where + ".payment");
    return df;
  }

  // A PBOC application's key, counter, balance and log size.
  PaymentApplication payment(const json& value, const std::string& where) const {
    object(value, where, {"key", "atc", "balance", "log_records"});
    PaymentApplication app;
    app.key = hex(value, "key", where, pboc::kMinKey, pboc::kMaxKey);
    const Bytes balance = hex(value, "balance", where, 0, pboc::kBalanceSize);
    if (!balance.empty() && (balance.size() != pboc::kBalanceSize || !pboc::is_bcd(balance)))
      fail(where + ".balance must be 6 BCD bytes");
    std::copy(balance.begin(), balance.end(), app.balance.begin());
    app.atc = static_cast<std::uint16_t>(number(value, "atc", where, 0, UINT16_MAX - 1, 0));
    app.log_capacity = number(value, "log_records", where, 1, kMaxLogRecords, app.log_capacity);
    return app;
  }

  std::size_t number(const json& value, const char* key, const std::string& where, std::size_t min,
                     std::size_t max, std::size_t otherwise) const {
    if (!value.contains(key)) return otherwise;
    const json& n = value[key];
    if (!n.is_number_unsigned() || n.get<std::size_t>() < min || n.get<std::size_t>() > max)
      fail(where + "." + key + " must be a number from " + std::to_string(min) + " to " +
           std::to_string(max));
    return n.get<std::size_t>();
  }
};

}  // namespace

void read_chips(const json& doc, Card& card, std::string_view origin) {
  const ChipParser parser(origin);
  if (doc.contains(kContactKey)) card.contact = parser.contact(doc[kContactKey], kContactKey);
  if (doc.contains(kSamKey)) card.sam = parser.contact(doc[kSamKey], kSamKey);
  if (doc.contains(kContactlessKey)) card.contactless = parser.contactless(doc[kContactlessKey]);
}

}  // namespace readersim

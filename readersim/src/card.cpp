#include "readersim/card.h"

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "chip_file.h"
#include "magstripe.h"
#include "memory_card_file.h"

namespace readersim {
namespace {

using nlohmann::json;

class Parser {
 public:
  explicit Parser(std::string_view origin) : origin_(origin) {}

  Card parse(std::string_view text) const {
    json doc = json::parse(text, nullptr, false);
    if (doc.is_discarded()) fail("not valid JSON");
    if (!doc.is_object()) fail("a card file holds one JSON object");
    only_keys(doc, "card",
              {"name", "magnetic", "barcode", kContactKey, kContactlessKey, kSamKey, kMemoryKey,
               kMifareKey, kIso15693Key});
    Card card;
    card.name = string_at(doc, "name");
    card.barcode = barcode(string_at(doc, "barcode"));
    if (doc.contains("magnetic")) card.tracks = tracks(doc["magnetic"]);
    read_chips(doc, card, origin_);         // CPU-card chips and SAM modules
    read_memory_cards(doc, card, origin_);  // memory cards, Mifare, ISO 15693
    return card;
  }

 private:
  [[noreturn]] void fail(const std::string& what) const {
    throw CardError(std::string(origin_) + ": " + what);
  }

  void only_keys(const json& object, std::string_view where,
                 std::initializer_list<std::string_view> known) const {
    for (const auto& item : object.items()) {
      if (std::find(known.begin(), known.end(), item.key()) != known.end()) continue;
      std::string names;
      for (std::string_view k : known) names += (names.empty() ? "" : ", ") + std::string(k);
      fail("unknown key \"" + item.key() + "\" in " + std::string(where) + " (known: " + names +
           ")");
    }
  }

  std::string string_at(const json& object, const std::string& key) const {
    if (!object.contains(key)) return {};
    if (!object[key].is_string()) fail("\"" + key + "\" must be a string");
    return object[key].get<std::string>();
  }

  std::string barcode(std::string value) const {
    if (value.size() > kMaxBarcode) {
      fail("the barcode holds at most " + std::to_string(kMaxBarcode) + " characters");
    }
    for (char c : value) {
      if (c < 0x20 || c > 0x7E) fail("the barcode holds printable ASCII only");
    }
    return value;
  }

  std::array<std::string, 3> tracks(const json& magnetic) const {
    if (!magnetic.is_object()) fail("\"magnetic\" must be an object");
    only_keys(magnetic, "\"magnetic\"", {"track1", "track2", "track3"});
    std::array<std::string, 3> result;
    for (int t = 0; t < 3; ++t) {
      result[t] = string_at(magnetic, "track" + std::to_string(t + 1));
      if (auto problem = track_problem(t + 1, result[t])) fail(*problem);
    }
    return result;
  }

  std::string_view origin_;
};

}  // namespace

Card parse_card(std::string_view json_text, std::string_view origin) {
  return Parser(origin).parse(json_text);
}

Card load_card(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw CardError(file.string() + ": cannot be opened");
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw CardError(file.string() + ": cannot be read");
  return parse_card(text.str(), file.string());
}

Card default_bank_card() {
  Card card;
  card.name = "Test bank card";
  card.tracks[1] = "6212340000000000012=49121200000000000";
  return card;
}

std::filesystem::path cards_dir() {
  return READERSIM_CARDS_DIR;
}

}  // namespace readersim

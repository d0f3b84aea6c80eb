#include "memory_card_file.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "mifare_access.h"

#include "json_reader.h"

namespace readersim {
namespace {

using nlohmann::json;

constexpr std::uint8_t kErased = 0xFF;
constexpr std::size_t kMaxIso15693Blocks = 256;

// Factory state of each chip: erased memory, transport passwords, full attempt counters.
ChipPassword password(Bytes value, std::uint8_t attempts) {
  return {std::move(value), attempts, attempts, false};
}

const std::map<std::string, std::uint8_t>& at24c_types() {
  static const std::map<std::string, std::uint8_t> types{
      {"AT24C01", 1},  {"AT24C02", 2},  {"AT24C04", 4},  {"AT24C08", 8},
      {"AT24C16", 16}, {"AT24C32", 32}, {"AT24C64", 64}, {"AT24C128", 128}};
  return types;
}

class Parser : JsonReader {
 public:
  explicit Parser(std::string_view origin) : JsonReader(origin) {}

  MemoryCard memory(const json& value) const {
    const std::string where = "\"memory\"";
    if (!value.is_object() || !value.contains("chip") || !value["chip"].is_string())
      fail(where + " must be an object with a \"chip\"");
    const std::string kind = value["chip"].get<std::string>();
    if (auto type = at24c_types().find(kind); type != at24c_types().end())
      return {at24c(value, where, type->second)};
    if (kind == "AT45DB041") return {at45(value, where)};
    if (kind == "AT88SC102") return {at88sc102(value, where)};
    if (kind == "AT88SC1604") return {at88sc1604(value, where)};
    if (kind == "AT88SC1608") return {at88sc1608(value, where)};
    if (kind == "SLE4442") return {sle4442(value, where)};
    if (kind == "SLE4428") return {sle4428(value, where)};
    fail(where + ".chip \"" + kind +
         "\" is none of AT24C01..AT24C128, AT45DB041, AT88SC102, AT88SC1604, AT88SC1608, "
         "SLE4442, SLE4428");
  }

  MifareCard mifare(const json& value) const {
    const std::string where = "\"mifare\"";
    const json type = value.contains("type") ? value["type"] : json();  // any JSON type
    if (type != "S50" && type != "S70" && type != "UL")
      fail(where + ".type must be \"S50\", \"S70\" or \"UL\"");
    if (type == "UL") return ultralight(value, where);
    object(value, where, {"type", "uid", "blocks"});
    MifareCard card;
    card.type = type == "S50" ? MifareType::S50 : MifareType::S70;
    card.uid = hex(value, "uid", where, 4, 4);
    card.memory = blank_classic_memory(card.type, card.uid);
    fill(value, "blocks", where, card.memory, kMifareBlock);
    for (unsigned sector = 0; sector < classic_sectors(card.type); ++sector)
      if (!access_bits_valid(trailer_of(card, sector)))
        fail(where + ": the access bits of sector " + std::to_string(sector) +
             " do not match their complement");
    return card;
  }

  Iso15693Tag iso15693(const json& value) const {
    const std::string where = "\"iso15693\"";
    object(value, where,
           {"uid", "blocks", "data", "afi", "dsfid", "ic_reference", "locked_blocks", "afi_locked",
            "dsfid_locked"});
    Iso15693Tag tag;
    tag.uid = hex(value, "uid", where, 8, 8);
    if (tag.uid[0] != 0xE0) fail(where + ".uid must start with E0");
    const std::size_t blocks = number(value, "blocks", where, 1, kMaxIso15693Blocks, 28);
    tag.memory.assign(blocks * kIso15693Block, 0);
    fill(value, "data", where, tag.memory, kIso15693Block);
    tag.locked.assign(blocks, 0);
    for (std::size_t block : addresses(value, "locked_blocks", where, blocks))
      tag.locked[block] = 1;
    tag.afi = static_cast<std::uint8_t>(number(value, "afi", where, 0, 255, 0));
    tag.dsfid = static_cast<std::uint8_t>(number(value, "dsfid", where, 0, 255, 0));
    tag.ic_reference = static_cast<std::uint8_t>(number(value, "ic_reference", where, 0, 255, 0));
    tag.afi_locked = flag(value, "afi_locked", where);
    tag.dsfid_locked = flag(value, "dsfid_locked", where);
    return tag;
  }

 private:
  // The password at `key` (`size` bytes), or the transport value when absent.
  Bytes secret(const json& value, const char* key, const std::string& where, std::size_t size,
               std::uint8_t transport = kErased) const {
    Bytes bytes = hex(value, key, where, 0, size);
    if (!value.contains(key)) return Bytes(size, transport);
    if (bytes.size() != size)
      fail(where + "." + key + " must hold " + std::to_string(size) + " bytes");
    return bytes;
  }

  std::size_t number(const json& value, const char* key, const std::string& where, std::size_t min,
                     std::size_t max, std::size_t absent) const {
    if (!value.contains(key)) return absent;
    const json& n = value[key];
    if (!n.is_number_integer() || n.get<long long>() < static_cast<long long>(min) ||
        n.get<long long>() > static_cast<long long>(max))
      fail(where + "." + key + " must be a number from " + std::to_string(min) + " to " +
           std::to_string(max));
    return n.get<std::size_t>();
  }

  bool flag(const json& value, const char* key, const std::string& where) const {
    if (!value.contains(key)) return false;
    if (!value[key].is_boolean()) fail(where + "." + key + " must be true or false");
    return value[key].get<bool>();
  }

  std::vector<std::size_t> addresses(const json& value, const char* key, const std::string& where,
                                     std::size_t limit) const {
    if (!value.contains(key)) return {};
    const std::string at = where + "." + key;
    if (!value[key].is_array()) fail(at + " must be an array of numbers");
    std::vector<std::size_t> result;
    for (const json& n : value[key]) {
      if (!n.is_number_integer() || n.get<long long>() < 0 ||
          n.get<long long>() >= static_cast<long long>(limit))
        fail(at + " holds numbers from 0 to " + std::to_string(limit - 1));
      result.push_back(n.get<std::size_t>());
    }
    return result;
  }

  // Data at `key`: a hex string from the start, or an object of start units (decimal or 0x...)
  // and hex strings. A unit is a byte, block or page as `unit` says.
  void fill(const json& value, const char* key, const std::string& where, Bytes& memory,
            std::size_t unit) const {
    if (!value.contains(key)) return;
    const std::string at = where + "." + key;
    const json& data = value[key];
    if (data.is_string()) return place(memory, 0, hex_text(data, at), at);
    if (!data.is_object()) fail(at + " must be hex or an object of hex strings");
    for (const auto& item : data.items())
      place(memory, start(item.key(), at) * unit, hex_text(item.value(), at + "." + item.key()),
            at + "." + item.key());
  }

  std::size_t start(const std::string& text, const std::string& where) const {
    const bool is_hex = text.size() > 2 && text[0] == '0' && (text[1] | 0x20) == 'x';
    std::size_t n = 0;
    const char* first = text.data() + (is_hex ? 2 : 0);
    const auto [end, error] =
        std::from_chars(first, text.data() + text.size(), n, is_hex ? 16 : 10);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
      fail(where + ": \"" + text + "\" is not a number");
    return n;
  }

  void place(Bytes& memory, std::size_t address, const Bytes& bytes,
             const std::string& where) const {
    if (!inside_memory(address, bytes.size(), memory.size()))
      fail(where + " does not fit the chip's " + std::to_string(memory.size()) + " bytes");
    std::copy(bytes.begin(), bytes.end(), memory.begin() + static_cast<long>(address));
  }

  static bool inside_memory(std::size_t address, std::size_t n, std::size_t size) {
    return address <= size && n <= size - address;
  }

  Bytes erased_memory(const json& value, const std::string& where, std::size_t size) const {
    Bytes memory(size, kErased);
    fill(value, "data", where, memory, 1);
    return memory;
  }

  At24cChip at24c(const json& value, const std::string& where, std::uint8_t type) const {
    object(value, where, {"chip", "data"});
    return {type, erased_memory(value, where, type * std::size_t{128})};
  }

  At45Chip at45(const json& value, const std::string& where) const {
    object(value, where, {"chip", "data"});
    return {erased_memory(value, where, kAt45Pages * kAt45PageSize)};
  }

  At88sc102Chip at88sc102(const json& value, const std::string& where) const {
    object(value, where,
           {"chip", "data", "code", "attempts", "zone1_key", "zone2_key", "security_mode"});
    At88sc102Chip chip;
    chip.memory = erased_memory(value, where, kAt88sc102Size);
    chip.code = password(secret(value, "code", where, 2, 0xF0), 4);
    chip.code.attempts = static_cast<std::uint8_t>(number(value, "attempts", where, 0, 4, 4));
    place(chip.memory, kAt88sc102CodeAt, chip.code.value, where + ".code");
    place(chip.memory, kAt88sc102Zone1KeyAt, secret(value, "zone1_key", where, 6), where);
    place(chip.memory, kAt88sc102Zone2KeyAt, secret(value, "zone2_key", where, 4), where);
    chip.security_mode = flag(value, "security_mode", where);
    return chip;
  }

  std::vector<ChipPassword> passwords(const json& value, const std::string& where,
                                      std::size_t count, std::size_t size,
                                      std::uint8_t attempts) const {
    std::vector<ChipPassword> result(count, password(Bytes(size, kErased), attempts));
    if (!value.contains("passwords")) return result;
    const std::string at = where + ".passwords";
    if (!value["passwords"].is_array() || value["passwords"].size() != count)
      fail(at + " must be an array of " + std::to_string(count) + " passwords");
    for (std::size_t i = 0; i < count; ++i) {
      result[i].value = hex_text(value["passwords"][i], at + "[" + std::to_string(i) + "]");
      if (result[i].value.size() != size)
        fail(at + "[" + std::to_string(i) + "] must hold " + std::to_string(size) + " bytes");
    }
    return result;
  }

  At88sc1604Chip at88sc1604(const json& value, const std::string& where) const {
    object(value, where, {"chip", "data", "passwords", "personalized"});
    return {erased_memory(value, where, kAt88sc1604Size), passwords(value, where, 5, 2, 4),
            flag(value, "personalized", where)};
  }

  At88sc1608Chip at88sc1608(const json& value, const std::string& where) const {
    object(value, where, {"chip", "data", "config", "passwords", "secret", "fuses"});
    At88sc1608Chip chip;
    chip.memory = erased_memory(value, where, kAt88sc1608Zones * kAt88sc1608ZoneSize);
    chip.config.assign(kAt88sc1608ConfigSize, kErased);
    place(chip.config, 0, hex(value, "config", where, 0, kAt88sc1608ConfigSize), where + ".config");
    chip.passwords = passwords(value, where, kAt88sc1608Zones, 3, 8);
    chip.secret = hex(value, "secret", where, 0, 8);
    if (!chip.secret.empty() && chip.secret.size() != 8) fail(where + ".secret must hold 8 bytes");
    chip.fuses_blown = static_cast<std::uint8_t>(number(value, "fuses", where, 0, 3, 0));
    return chip;
  }

  Bytes writable(const json& value, const std::string& where, std::size_t size) const {
    Bytes flags(size, 1);
    for (std::size_t address : addresses(value, "protected", where, size)) flags[address] = 0;
    return flags;
  }

  Sle4442Chip sle4442(const json& value, const std::string& where) const {
    object(value, where, {"chip", "data", "psc", "attempts", "protected"});
    Sle4442Chip chip{erased_memory(value, where, kSle4442Size),
                     writable(value, where, kSle4442Protected),
                     password(secret(value, "psc", where, 3), 3)};
    chip.psc.attempts = static_cast<std::uint8_t>(number(value, "attempts", where, 0, 3, 3));
    return chip;
  }

  Sle4428Chip sle4428(const json& value, const std::string& where) const {
    object(value, where, {"chip", "data", "psc", "attempts", "protected"});
    Sle4428Chip chip{erased_memory(value, where, kSle4428Size),
                     writable(value, where, kSle4428Size),
                     password(secret(value, "psc", where, 2), 8)};
    chip.psc.attempts = static_cast<std::uint8_t>(number(value, "attempts", where, 0, 8, 8));
    return chip;
  }

  MifareCard ultralight(const json& value, const std::string& where) const {
    object(value, where, {"type", "uid", "pages", "lock"});
    MifareCard card;
    card.type = MifareType::UltraLight;
    card.uid = hex(value, "uid", where, 7, 7);
    card.memory = blank_ultralight_memory(card.uid);
    const Bytes head(card.memory.begin(), card.memory.begin() + 3 * kUltraLightPage);
    fill(value, "pages", where, card.memory, kUltraLightPage);
    if (!std::equal(head.begin(), head.end(), card.memory.begin()))
      fail(where + ".pages start at page 3: pages 0 to 2 hold the UID and the lock bytes");
    const Bytes lock = hex(value, "lock", where, 0, 2);
    if (!lock.empty() && lock.size() != 2) fail(where + ".lock must hold 2 bytes");
    if (!lock.empty()) std::copy(lock.begin(), lock.end(), card.memory.begin() + 10);
    return card;
  }
};

}  // namespace

void read_memory_cards(const json& doc, Card& card, std::string_view origin) {
  const Parser parser(origin);
  if (doc.contains(kMemoryKey)) card.memory = parser.memory(doc[kMemoryKey]);
  if (doc.contains(kMifareKey)) card.mifare = parser.mifare(doc[kMifareKey]);
  if (doc.contains(kIso15693Key)) card.iso15693 = parser.iso15693(doc[kIso15693Key]);
}

}  // namespace readersim

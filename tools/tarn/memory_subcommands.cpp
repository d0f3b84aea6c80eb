// Sub-commands for memory cards, Mifare cards and ISO 15693 tags: one per family, each running
// a sequence of operations separated by "," on the same card, for example
//
//   tarn --sim --card readersim/cards/sle4442_card.json
//        sle4442 reset , verify FFFFFF , write 0x40 48454C4C4F , read 0x40 5
//
// Numbers are decimal or 0x-hex, data and keys are hex. Password selectors, key types and mode
// bytes are the reader's characters ("0".."7", "A"/"B"). With --sim the customer's card is put
// at the contacts (memory cards) or at the antenna (Mifare, ISO 15693) first.
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "Tarn_DLL.h"
#include "cli.h"

namespace tarn_tool {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The Mifare Classic commands of one family.
struct Classic {
  int (*detect)(TARN_HANDLE);
  int (*id)(TARN_HANDLE, unsigned char*);
  int (*load_key)(TARN_HANDLE, int, int, const unsigned char*);
  int (*read)(TARN_HANDLE, int, unsigned char*);
  int (*write)(TARN_HANDLE, int, const unsigned char*);
  int (*init_value)(TARN_HANDLE, int, const unsigned char*);
  int (*increment)(TARN_HANDLE, int, const unsigned char*);
  int (*decrement)(TARN_HANDLE, int, const unsigned char*);
  int (*halt)(TARN_HANDLE);
  int (*modify_key)(TARN_HANDLE, int, int, const unsigned char*);
  bool block_codes;  // S70: blocks by code (sector << 2 | block)
};

constexpr Classic kS50{Tarn_S50DetectCard,
                       Tarn_S50GetCardID,
                       Tarn_S50LoadSecKey,
                       Tarn_S50ReadBlock,
                       Tarn_S50WriteBlock,
                       Tarn_S50InitValue,
                       Tarn_S50Increment,
                       Tarn_S50Decrement,
                       Tarn_S50Halt,
                       Tarn_S50ModifyKey,
                       false};
constexpr Classic kS70{Tarn_S70DetectCard,
                       Tarn_S70GetCardID,
                       Tarn_S70LoadSecKey,
                       Tarn_S70ReadBlock,
                       Tarn_S70WriteBlock,
                       Tarn_S70InitValue,
                       Tarn_S70Increment,
                       Tarn_S70Decrement,
                       Tarn_S70Halt,
                       Tarn_S70ModifyKey,
                       true};

// What the operations of one invocation share.
struct Context {
  Session& session;
  const Classic* classic = nullptr;
  Bytes uid;            // ISO 15693: the tag addressed by "at UID"; empty: any tag in the field
  const char* op = "";  // the operation running
  void* port() const { return session.port; }
};

struct Op {
  const char* name;
  const char* args;
  std::size_t min_args, max_args;
  int (*run)(Context&, Args);
};

enum class Where { Contacts, Antenna };

struct Family {
  const char* name;
  const char* help;
  Where where;
  std::span<const Op> ops;
  const Classic* classic = nullptr;
};

// ---- Arguments and output ----

int num(const std::string& text) {
  return static_cast<int>(number_arg(text));
}

Bytes hex_of(const std::string& text, std::size_t min, std::size_t max) {
  Bytes bytes = hex_arg(text);
  if (bytes.size() < min || bytes.size() > max)
    throw UsageError{"'" + text + "' must hold " + std::to_string(min) +
                     (min == max ? "" : " to " + std::to_string(max)) + " bytes"};
  return bytes;
}

// Little-endian 4 bytes of a number (a Mifare value or amount).
std::array<unsigned char, 4> four_bytes(const std::string& text) {
  const auto value = static_cast<std::uint32_t>(number_arg(text));
  return {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
          static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
}

std::string printable(std::span<const std::uint8_t> bytes) {
  std::string text;
  for (std::uint8_t b : bytes) text += std::isprint(b) ? static_cast<char>(b) : '.';
  return text;
}

// Reports a failure; an ISO 15693 tag's error code shows as such.
int failed(const char* what, int result) {
  if (result < TARN_E_TAG_BASE || result > TARN_E_TAG_BASE + 0xFF) return report(what, result);
  std::fprintf(stderr, "tarn: %s: %d (the tag's error code 0x%02X)\n", what, result,
               result - TARN_E_TAG_BASE);
  return 1;
}

int done(const char* what, int result) {
  if (result == TARN_OK) std::printf("%s: ok\n", what);
  return failed(what, result);
}

int shown(const char* what, int result, std::span<const std::uint8_t> data) {
  if (result != TARN_OK) return failed(what, result);
  std::printf("%s: %s  |%s|\n", what, hex(data).c_str(), printable(data).c_str());
  return 0;
}

// Reads `n` bytes with `read` into a buffer of 300 and shows them.
template <class F>
int read_shown(const char* what, std::size_t n, F&& read) {
  std::array<unsigned char, 300> buffer{};
  return shown(what, read(buffer.data()), std::span(buffer).first(n));
}

// ---- Memory cards ----

// SLE4442, SLE4428, AT88SC102 and AT88SC1604 take (address, length[, data]) alike.
using ReadFn = int (*)(TARN_HANDLE, int, int, unsigned char*);
using WriteFn = int (*)(TARN_HANDLE, int, int, const unsigned char*);

template <ReadFn read>
int read_at(Context& c, Args a) {
  const int n = num(a[1]);
  return read_shown("read", static_cast<std::size_t>(std::clamp(n, 0, 255)),
                    [&](unsigned char* out) { return read(c.port(), num(a[0]), n, out); });
}

template <WriteFn write>
int write_at(Context& c, Args a) {
  const Bytes data = hex_arg(a[1]);
  return done("write", write(c.port(), num(a[0]), static_cast<int>(data.size()), data.data()));
}

// AT24Cxx (chip type) and AT88SC1608 (zone) put one more number in front of the address.
using ReadInFn = int (*)(TARN_HANDLE, int, int, int, unsigned char*);
using WriteInFn = int (*)(TARN_HANDLE, int, int, int, const unsigned char*);

template <ReadInFn read>
int read_in(Context& c, Args a) {
  const int n = num(a[2]);
  return read_shown(
      "read", static_cast<std::size_t>(std::clamp(n, 0, 255)),
      [&](unsigned char* out) { return read(c.port(), num(a[0]), num(a[1]), n, out); });
}

template <WriteInFn write>
int write_in(Context& c, Args a) {
  const Bytes data = hex_arg(a[2]);
  return done("write",
              write(c.port(), num(a[0]), num(a[1]), static_cast<int>(data.size()), data.data()));
}

template <int (*present)(TARN_HANDLE, const unsigned char*), std::size_t size>
int with_password(Context& c, Args a) {
  const Bytes password = hex_of(a[0], size, size);
  return done("password", present(c.port(), password.data()));
}

template <int (*present)(TARN_HANDLE, int, const unsigned char*), std::size_t size>
int with_selector(Context& c, Args a) {
  const Bytes password = hex_of(a[1], size, size);
  return done("password", present(c.port(), byte_arg(a[0]), password.data()));
}

template <int (*command)(TARN_HANDLE)>
int plain(Context& c, Args) {
  return done(c.op, command(c.port()));
}

const Op kSle4442[] = {
    {"reset", "", 0, 0, plain<Tarn_SLE4442Reset>},
    {"verify", "PSC", 1, 1, with_password<Tarn_SLE4442VerifyPWD, 3>},
    {"read", "ADDR N", 2, 2, read_at<Tarn_SLE4442Read>},
    {"write", "ADDR HEX", 2, 2, write_at<Tarn_SLE4442Write>},
    {"protect", "ADDR HEX", 2, 2, write_at<Tarn_SLE4442WriteProtectBit>},
    {"protection", "", 0, 0,
     [](Context& c, Args) {
       return read_shown("protection (1 writable)", 32, [&](unsigned char* out) {
         return Tarn_SLE4442ReadProtectBit(c.port(), out);
       });
     }},
    {"security", "", 0, 0,
     [](Context& c, Args) {
       return read_shown("security memory", 4,
                         [&](unsigned char* out) { return Tarn_SLE4442ReadSafety(c.port(), out); });
     }},
    {"change-psc", "PSC", 1, 1, with_password<Tarn_SLE4442ChangePWD, 3>},
};

const Op kSle4428[] = {
    {"reset", "", 0, 0, plain<Tarn_Sle4428Reset>},
    {"verify", "PSC", 1, 1, with_password<Tarn_Sle4428VerifyPWD, 2>},
    {"read", "ADDR N", 2, 2, read_at<Tarn_Sle4428Read>},
    {"protection", "ADDR N", 2, 2, read_at<Tarn_Sle4428ReadProtectBit>},
    {"write", "ADDR HEX", 2, 2, write_at<Tarn_Sle4428Write>},
    {"write-protect", "ADDR HEX", 2, 2, write_at<Tarn_Sle4428WriteP>},
    {"change-psc", "PSC", 1, 1, with_password<Tarn_Sle4428ChangePWD, 2>},
};

// The chip-type byte is the capacity in kbit: 1, 2, 4, 8, 16, 32, 64 or 128.
const Op kAt24c[] = {
    {"read", "TYPE ADDR N", 3, 3, read_in<Tarn_AT24CXXRead>},
    {"write", "TYPE ADDR HEX", 3, 3, write_in<Tarn_AT24CXXWrite>},
};

// A page write carries 264 bytes: the data given, then FF.
const Op kAt45[] = {
    {"reset", "", 0, 0, plain<Tarn_AT45DB041Reset>},
    {"read", "PAGE", 1, 1,
     [](Context& c, Args a) {
       return read_shown("page", 264, [&](unsigned char* out) {
         return Tarn_AT45DB041Read(c.port(), num(a[0]), out);
       });
     }},
    {"write", "PAGE HEX", 2, 2,
     [](Context& c, Args a) {
       Bytes page = hex_of(a[1], 0, 264);
       page.resize(264, 0xFF);
       return done("write", Tarn_AT45DB041Write(c.port(), num(a[0]), page.data()));
     }},
};

const Op kAt88sc102[] = {
    {"reset", "", 0, 0, plain<Tarn_AT88SC102Reset>},
    {"verify", "CODE", 1, 1, with_password<Tarn_AT88SC102VerifyPWD, 2>},
    {"read", "ADDR N", 2, 2, read_at<Tarn_AT88SC102Read>},
    {"write", "ADDR HEX", 2, 2, write_at<Tarn_AT88SC102Write>},
    {"erase", "ADDR N", 2, 2,
     [](Context& c, Args a) {
       return done("erase", Tarn_AT88SC102Security1Erasure(c.port(), num(a[0]), num(a[1])));
     }},
    {"erase-zone1", "KEY", 1, 1, with_password<Tarn_AT88SC102Security2ErasureApp1, 6>},
    {"erase-zone2", "KEY", 1, 1,
     [](Context& c, Args a) {
       const Bytes key = hex_of(a[0], 4, 4);
       return done("erase", Tarn_AT88SC102Security2ErasureApp2(c.port(), '2', key.data()));
     }},
    {"write-key", "0|1|2 KEY", 2, 2,
     [](Context& c, Args a) {
       const Bytes key = hex_of(a[1], 2, 6);
       return done("write-key", Tarn_AT88SC102WritePWD(c.port(), byte_arg(a[0]), key.data()));
     }},
    {"set-mode", "0|1", 1, 1,
     [](Context& c, Args a) {
       return done("mode", Tarn_AT88SC102SetMode(c.port(), byte_arg(a[0])));
     }},
    {"disable-ec2", "", 0, 0, plain<Tarn_AT88SC102DisableEC2>},
};

const Op kAt88sc1604[] = {
    {"reset", "", 0, 0, plain<Tarn_AT88SC1604Reset>},
    {"verify", "0..4 PASSWORD", 2, 2, with_selector<Tarn_AT88SC1604VerifyPWD, 2>},
    {"read", "ADDR N", 2, 2, read_at<Tarn_AT88SC1604Read>},
    {"write", "ADDR HEX", 2, 2, write_at<Tarn_AT88SC1604Write>},
    {"erase", "ADDR N", 2, 2,
     [](Context& c, Args a) {
       return done("erase", Tarn_AT88SC1604Erasure(c.port(), num(a[0]), num(a[1])));
     }},
    {"write-password", "0..4 PASSWORD", 2, 2, with_selector<Tarn_AT88SC1604WritePWD, 2>},
    {"personalize", "", 0, 0,
     [](Context& c, Args) {
       return done("personalize", Tarn_AT88SC1604Personalization(c.port(), '1'));
     }},
};

const Op kAt88sc1608[] = {
    {"reset", "", 0, 0, plain<Tarn_AT88SC1608Reset>},
    {"verify", "0..7 PASSWORD", 2, 2, with_selector<Tarn_AT88SC1608VerifyPWD, 3>},
    {"read", "ZONE ADDR N", 3, 3, read_in<Tarn_AT88SC1608Read>},
    {"write", "ZONE ADDR HEX", 3, 3, write_in<Tarn_AT88SC1608Write>},
    {"fuses", "", 0, 0,
     [](Context& c, Args) {
       std::array<unsigned char, 3> fuses{};
       return shown("fuses FAB CMA PER (1 blown)",
                    Tarn_AT88SC1608ReadFUSE(c.port(), &fuses[0], &fuses[1], &fuses[2]), fuses);
     }},
    {"blow-fuse", "", 0, 0, plain<Tarn_AT88SC1608WriteFUSE>},
    {"auth", "CHALLENGE ANSWER", 2, 2,
     [](Context& c, Args a) {
       const Bytes challenge = hex_of(a[0], 8, 8), answer = hex_of(a[1], 8, 8);
       if (const int r = Tarn_AT88SC1608InitAuth(c.port(), challenge.data()))
         return failed("auth", r);
       return done("auth", Tarn_AT88SC1608VerifyAuth(c.port(), answer.data()));
     }},
    {"write-password", "0..7 PASSWORD", 2, 2, with_selector<Tarn_AT88SC1608WritePWD, 3>},
};

// ---- Mifare ----

int classic_block(const Context& c, int sector, int block) {
  return c.classic->block_codes ? sector << 2 | block : sector * 4 + block;
}

int key_op(Context& c, Args a, int (*command)(TARN_HANDLE, int, int, const unsigned char*),
           const char* what) {
  const Bytes key = hex_of(a[2], 6, 6);
  return done(what, command(c.port(), byte_arg(a[0]), num(a[1]), key.data()));
}

// Detects the card, loads the key and reads the sector's four blocks (the block code of the
// S70 reaches blocks 0 to 3 of its big sectors).
int read_sector(Context& c, Args a) {
  const int sector = num(a[0]);
  if (sector < 0 || sector >= (c.classic->block_codes ? 40 : 16))
    throw UsageError{"no sector " + a[0]};
  if (const int r = c.classic->detect(c.port())) return failed("detect", r);
  const Bytes key = hex_of(a[2], 6, 6);
  if (const int r = c.classic->load_key(c.port(), byte_arg(a[1]), sector, key.data()))
    return failed("load-key", r);
  for (int block = 0; block < 4; ++block) {
    const std::string what = "block " + std::to_string(classic_block(c, sector, block));
    if (const int r = read_shown(what.c_str(), 16, [&](unsigned char* out) {
          return c.classic->read(c.port(), classic_block(c, sector, block), out);
        }))
      return r;
  }
  return 0;
}

int value_op(Context& c, Args a, int (*command)(TARN_HANDLE, int, const unsigned char*),
             const char* what) {
  const auto operand = four_bytes(a[1]);
  return done(what, command(c.port(), num(a[0]), operand.data()));
}

const Op kClassic[] = {
    {"detect", "", 0, 0,
     [](Context& c, Args) { return done("detect", c.classic->detect(c.port())); }},
    {"id", "", 0, 0,
     [](Context& c, Args) {
       return read_shown("card id", 4,
                         [&](unsigned char* out) { return c.classic->id(c.port(), out); });
     }},
    {"load-key", "A|B SECTOR KEY", 3, 3,
     [](Context& c, Args a) { return key_op(c, a, c.classic->load_key, "load-key"); }},
    {"read", "BLOCK", 1, 1,
     [](Context& c, Args a) {
       return read_shown("block", 16, [&](unsigned char* out) {
         return c.classic->read(c.port(), num(a[0]), out);
       });
     }},
    {"write", "BLOCK HEX", 2, 2,
     [](Context& c, Args a) {
       const Bytes data = hex_of(a[1], 16, 16);
       return done("write", c.classic->write(c.port(), num(a[0]), data.data()));
     }},
    {"init-value", "BLOCK VALUE", 2, 2,
     [](Context& c, Args a) { return value_op(c, a, c.classic->init_value, "init-value"); }},
    {"increment", "BLOCK AMOUNT", 2, 2,
     [](Context& c, Args a) { return value_op(c, a, c.classic->increment, "increment"); }},
    {"decrement", "BLOCK AMOUNT", 2, 2,
     [](Context& c, Args a) { return value_op(c, a, c.classic->decrement, "decrement"); }},
    {"halt", "", 0, 0, [](Context& c, Args) { return done("halt", c.classic->halt(c.port())); }},
    {"modify-key", "A|B SECTOR KEY", 3, 3,
     [](Context& c, Args a) { return key_op(c, a, c.classic->modify_key, "modify-key"); }},
    {"read-sector", "SECTOR A|B KEY", 3, 3, read_sector},
};

// UltraLight: a write carries 16 bytes (the data given, then zeros); the card writes the first
// four to the page.
const Op kUltraLight[] = {
    {"detect", "", 0, 0, plain<Tarn_ULDetectCard>},
    {"id", "", 0, 0,
     [](Context& c, Args) {
       return read_shown("card id", 7,
                         [&](unsigned char* out) { return Tarn_ULGetCardID(c.port(), out); });
     }},
    {"read", "PAGE", 1, 1,
     [](Context& c, Args a) {
       return read_shown("pages", 16, [&](unsigned char* out) {
         return Tarn_ULReadBlock(c.port(), num(a[0]), out);
       });
     }},
    {"write", "PAGE HEX", 2, 2,
     [](Context& c, Args a) {
       Bytes data = hex_of(a[1], 1, 16);
       data.resize(16, 0);
       return done("write", Tarn_ULWriteBlock(c.port(), num(a[0]), data.data()));
     }},
    {"halt", "", 0, 0, plain<Tarn_ULHalt>},
};

// ---- ISO 15693 ----

int addressed(const Context& c) {
  return c.uid.empty() ? 0 : 1;
}

// Block reads show the data; the reader's trailing byte is the number of blocks.
template <int (*read)(TARN_HANDLE, int, const unsigned char*, int, int, unsigned char*,
                      unsigned char*),
          bool trailing_first>
int read_tag_blocks(Context& c, Args a) {
  std::array<unsigned char, 3000> data{};
  unsigned char trailing = 0;
  const int count = num(a[1]);
  unsigned char* first = trailing_first ? &trailing : data.data();
  unsigned char* second = trailing_first ? data.data() : &trailing;
  const int r = read(c.port(), addressed(c), c.uid.data(), num(a[0]), count, first, second);
  const std::size_t per_block = trailing_first ? 1 : 4;
  return shown(
      trailing_first ? "lock status (1 locked)" : "blocks", r,
      std::span(data).first(per_block * static_cast<std::size_t>(std::clamp(count, 0, 255))));
}

template <int (*command)(TARN_HANDLE, int, const unsigned char*)>
int tag_plain(Context& c, Args) {
  return done(c.op, command(c.port(), addressed(c), c.uid.data()));
}

template <int (*command)(TARN_HANDLE, int, const unsigned char*, int)>
int tag_byte(Context& c, Args a) {
  return done(c.op, command(c.port(), addressed(c), c.uid.data(), num(a[0])));
}

int tag_info(Context& c, Args) {
  std::array<unsigned char, 15> info{};
  const int r = Tarn_15693GetMessage(c.port(), addressed(c), c.uid.data(), info.data());
  if (r != TARN_OK) return failed("info", r);
  std::printf("uid %s, dsfid %02X, afi %02X, %d blocks of %d bytes, ic reference %02X\n",
              hex(std::span(info).subspan(2, 8)).c_str(), info[10], info[11], info[12] + 1,
              info[13] + 1, info[14]);
  return 0;
}

const Op kIso15693[] = {
    {"at", "UID", 1, 1,
     [](Context& c, Args a) {
       c.uid = hex_of(a[0], 8, 8);
       return 0;
     }},
    {"any", "", 0, 0,
     [](Context& c, Args) {
       c.uid.clear();
       return 0;
     }},
    {"inventory", "", 0, 0,
     [](Context& c, Args) {
       return read_shown("uid", 8,
                         [&](unsigned char* out) { return Tarn_15693GetUid(c.port(), out); });
     }},
    {"read", "FIRST COUNT", 2, 2, read_tag_blocks<Tarn_15693ReadData, false>},
    {"write", "FIRST HEX", 2, 2,
     [](Context& c, Args a) {
       const Bytes data = hex_arg(a[1]);
       if (data.empty() || data.size() % 4 != 0 || data.size() > 4 * 255)
         throw UsageError{"write takes whole 4-byte blocks (1 to 255)"};
       unsigned char written = 0;
       return done("write",
                   Tarn_15693WriteData(c.port(), addressed(c), c.uid.data(), num(a[0]),
                                       static_cast<int>(data.size() / 4), data.data(), &written));
     }},
    {"choose", "", 0, 0, tag_plain<Tarn_15693ChooseCard>},
    {"info", "", 0, 0, tag_info},
    {"security", "FIRST COUNT", 2, 2, read_tag_blocks<Tarn_15693ReadSafeBit, true>},
    {"afi", "VALUE", 1, 1, tag_byte<Tarn_15693WriteAFI>},
    {"dsfid", "VALUE", 1, 1, tag_byte<Tarn_15693WriteDSFID>},
    {"lock", "BLOCK", 1, 1, tag_byte<Tarn_15693LockBlock>},
    {"lock-afi", "", 0, 0, tag_plain<Tarn_15693LockAFI>},
    {"lock-dsfid", "", 0, 0, tag_plain<Tarn_15693LockDSFID>},
};

// ---- Running a family's operations ----

std::string op_list(const Family& f) {
  std::string text;
  for (const Op& op : f.ops)
    text += std::string(text.empty() ? "" : ", ") + op.name + (*op.args ? " " : "") + op.args;
  return text;
}

const Op& find_op(const Family& f, Args part) {
  for (const Op& op : f.ops) {
    if (part[0] != op.name) continue;
    if (part.size() - 1 < op.min_args || part.size() - 1 > op.max_args)
      throw UsageError{std::string(f.name) + " " + op.name + " takes: " + op.args};
    return op;
  }
  throw UsageError{std::string(f.name) + ": unknown operation '" + part[0] +
                   "'; operations: " + op_list(f)};
}

// Splits the arguments at "," and checks every operation before any runs.
std::vector<Args> operations(const Family& f, Args args) {
  std::vector<Args> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= args.size(); ++i) {
    if (i < args.size() && args[i] != ",") continue;
    if (i == start) throw UsageError{std::string(f.name) + ": an operation is missing"};
    parts.push_back(args.subspan(start, i - start));
    find_op(f, parts.back());
    start = i + 1;
  }
  return parts;
}

int run_family(const Family& f, Session& s, Args args) {
  const std::vector<Args> parts = operations(f, args);
  if (s.sim)
    s.sim->place_card(s.card, f.where == Where::Contacts ? readersim::Position::IcContacts
                                                         : readersim::Position::RfField);
  Context context{s, f.classic, {}};
  for (Args part : parts) {
    const Op& op = find_op(f, part);
    context.op = op.name;
    if (const int status = op.run(context, part.subspan(1))) return status;
  }
  return 0;
}

const Family kFamilies[] = {
    {"sle4442", "SLE4442", Where::Contacts, kSle4442},
    {"sle4428", "SLE4428", Where::Contacts, kSle4428},
    {"at24c", "AT24Cxx", Where::Contacts, kAt24c},
    {"at45db041", "AT45DB041", Where::Contacts, kAt45},
    {"at88sc102", "AT88SC102", Where::Contacts, kAt88sc102},
    {"at88sc1604", "AT88SC1604", Where::Contacts, kAt88sc1604},
    {"at88sc1608", "AT88SC1608", Where::Contacts, kAt88sc1608},
    {"s50", "Mifare S50", Where::Antenna, kClassic, &kS50},
    {"s70", "Mifare S70 (blocks by code)", Where::Antenna, kClassic, &kS70},
    {"ul", "Mifare UltraLight", Where::Antenna, kUltraLight},
    {"15693", "ISO 15693 tag (\"at UID\" addresses it)", Where::Antenna, kIso15693},
};

std::vector<SubCommand> make_subcommands() {
  static std::vector<std::string> help;  // kept for the SubCommand's character pointers
  help.reserve(std::size(kFamilies));
  std::vector<SubCommand> commands;
  for (const Family& f : kFamilies) {
    help.push_back(std::string(f.help) + ": " + op_list(f));
    commands.push_back({f.name, "OP [ARGS] [, OP ...]", help.back().c_str(),
                        [&f](Session& s, Args a) { return run_family(f, s, a); }});
  }
  return commands;
}

}  // namespace

std::span<const SubCommand> memory_subcommands() {
  static const std::vector<SubCommand> commands = make_subcommands();
  return commands;
}

}  // namespace tarn_tool

// The memory-card families (AT24Cxx, AT45DB041, AT88SC102, AT88SC1604, AT88SC1608, SLE4442,
// SLE4428): each export names its row of the memory-card table and hands over its arguments.
#include <array>
#include <initializer_list>
#include <vector>

#include "Tarn_DLL.h"
#include "cpu_card.h"
#include "exchange.h"
#include "memory_card_table.h"
#include "reply_copy.h"

namespace tarn::memory {
namespace {

// A write's length field is built in one byte: CM, PM and the request data together stay
// within 255 bytes, or the write is refused.
constexpr std::size_t kOneByteLength = 255;
constexpr std::size_t kCmAndPm = 2;
constexpr int kMaxWord = 0xFFFF;
constexpr int kMaxCount = 0xFF;

struct Arguments {
  std::initializer_list<int> ints;       // integer arguments in the export's order
  const unsigned char* bytes = nullptr;  // key, password or data
  unsigned char* out = nullptr;
};

bool append(std::vector<std::uint8_t>& request, const unsigned char* bytes, std::size_t n) {
  if (n == 0) return true;
  if (!bytes) return false;
  request.insert(request.end(), bytes, bytes + n);
  return true;
}

bool add_field(const Field& field, const Arguments& a, std::vector<std::uint8_t>& request, int& n) {
  const bool numbered =
      field.kind == Field::Byte || field.kind == Field::Word || field.kind == Field::Count;
  const int value = numbered ? a.ints.begin()[field.arg] : 0;
  switch (field.kind) {
    case Field::End:
      return true;
    case Field::Byte:
      request.push_back(low_byte(value));
      return true;
    case Field::Word:
      if (value < 0 || value > kMaxWord) return false;
      request.push_back(static_cast<std::uint8_t>(value >> 8));
      request.push_back(low_byte(value));
      return true;
    case Field::Count:
      if (value < 0 || value > kMaxCount) return false;
      n = value;
      request.push_back(low_byte(value));
      return true;
    case Field::Key:
      return append(request, a.bytes, field.size);
    case Field::Data:
      if (kCmAndPm + request.size() + static_cast<std::size_t>(n) > kOneByteLength) return false;
      return append(request, a.bytes, static_cast<std::size_t>(n));
  }
  return false;
}

// Builds the request data; false when an argument does not fit the request (nothing is sent).
bool build_request(const Operation& op, const Arguments& a, std::vector<std::uint8_t>& request,
                   int& n) {
  for (const Field& field : op.fields)
    if (!add_field(field, a, request, n)) return false;
  return true;
}

int run(void* port, Op id, const Arguments& a) {
  if (!port) return TARN_E_NOPORT;
  const Operation& op = operation(id);
  std::vector<std::uint8_t> request;
  int n = 0;
  if (!build_request(op, a, request, n)) return TARN_E_ARGUMENT;
  const std::size_t copy =
      op.copy.kind == Copy::Counted ? static_cast<std::size_t>(n) : op.copy.size;
  if (copy > 0 && !a.out) return TARN_E_ARGUMENT;
  return run_command(port, {op.cm, op.pm, request, reply_buffer_size(op)},
                     [&a, copy](const Reply& reply) {
                       copy_reply_data(reply, a.out, copy);
                       return TARN_OK;
                     });
}

int write_pwd_102(void* port, int selector, const unsigned char* key) {
  if (!port) return TARN_E_NOPORT;
  switch (low_byte(selector)) {
    case '0':
      return run(port, Op::AT88SC102WriteSecurityCode, {{selector}, key});
    case '1':
      return run(port, Op::AT88SC102WriteZone1Key, {{selector}, key});
    case '2':
      return run(port, Op::AT88SC102WriteZone2Key, {{selector}, key});
    default:
      return TARN_E_ARGUMENT;
  }
}

int read_fuses(void* port, unsigned char* first, unsigned char* second, unsigned char* third) {
  if (!port) return TARN_E_NOPORT;
  if (!first || !second || !third) return TARN_E_ARGUMENT;
  std::array<unsigned char, 3> fuses{};
  const int result = run(port, Op::AT88SC1608ReadFUSE, {{}, nullptr, fuses.data()});
  if (result != TARN_OK) return result;
  *first = fuses[0];
  *second = fuses[1];
  *third = fuses[2];
  return TARN_OK;
}

}  // namespace
}  // namespace tarn::memory

using tarn::memory::Op;
using tarn::memory::run;

// ---- AT24Cxx ----

extern "C" TARN_API int Tarn_AT24CXXRead(TARN_HANDLE port, int type, int address, int n,
                                         unsigned char* out) {
  return run(port, Op::AT24CXXRead, {{type, address, n}, nullptr, out});
}

extern "C" TARN_API int Tarn_AT24CXXWrite(TARN_HANDLE port, int type, int address, int n,
                                          const unsigned char* data) {
  return run(port, Op::AT24CXXWrite, {{type, address, n}, data});
}

// ---- AT45DB041 ----

extern "C" TARN_API int Tarn_AT45DB041Reset(TARN_HANDLE port) {
  return run(port, Op::AT45DB041Reset, {});
}

extern "C" TARN_API int Tarn_AT45DB041Read(TARN_HANDLE port, int page, unsigned char* out) {
  return run(port, Op::AT45DB041Read, {{page}, nullptr, out});
}

extern "C" TARN_API int Tarn_AT45DB041Write(TARN_HANDLE port, int page, const unsigned char* data) {
  return run(port, Op::AT45DB041Write, {{page}, data});
}

// ---- AT88SC102 ----

extern "C" TARN_API int Tarn_AT88SC102Reset(TARN_HANDLE port) {
  return run(port, Op::AT88SC102Reset, {});
}

extern "C" TARN_API int Tarn_AT88SC102VerifyPWD(TARN_HANDLE port, const unsigned char* code) {
  return run(port, Op::AT88SC102VerifyPWD, {{}, code});
}

extern "C" TARN_API int Tarn_AT88SC102Read(TARN_HANDLE port, int address, int n,
                                           unsigned char* out) {
  return run(port, Op::AT88SC102Read, {{address, n}, nullptr, out});
}

extern "C" TARN_API int Tarn_AT88SC102Security1Erasure(TARN_HANDLE port, int first, int second) {
  return run(port, Op::AT88SC102Security1Erasure, {{first, second}});
}

extern "C" TARN_API int Tarn_AT88SC102Security2ErasureApp1(TARN_HANDLE port,
                                                           const unsigned char* key) {
  return run(port, Op::AT88SC102Security2ErasureApp1, {{}, key});
}

extern "C" TARN_API int Tarn_AT88SC102Security2ErasureApp2(TARN_HANDLE port, int leading,
                                                           const unsigned char* key) {
  return run(port, Op::AT88SC102Security2ErasureApp2, {{leading}, key});
}

extern "C" TARN_API int Tarn_AT88SC102Write(TARN_HANDLE port, int address, int n,
                                            const unsigned char* data) {
  return run(port, Op::AT88SC102Write, {{address, n}, data});
}

extern "C" TARN_API int Tarn_AT88SC102WritePWD(TARN_HANDLE port, int selector,
                                               const unsigned char* key) {
  return tarn::memory::write_pwd_102(port, selector, key);
}

extern "C" TARN_API int Tarn_AT88SC102SetMode(TARN_HANDLE port, int mode) {
  return run(port, Op::AT88SC102SetMode, {{mode}});
}

extern "C" TARN_API int Tarn_AT88SC102DisableEC2(TARN_HANDLE port) {
  return run(port, Op::AT88SC102DisableEC2, {});
}

// ---- AT88SC1604 ----

extern "C" TARN_API int Tarn_AT88SC1604Reset(TARN_HANDLE port) {
  return run(port, Op::AT88SC1604Reset, {});
}

extern "C" TARN_API int Tarn_AT88SC1604VerifyPWD(TARN_HANDLE port, int selector,
                                                 const unsigned char* password) {
  return run(port, Op::AT88SC1604VerifyPWD, {{selector}, password});
}

extern "C" TARN_API int Tarn_AT88SC1604Read(TARN_HANDLE port, int address, int n,
                                            unsigned char* out) {
  return run(port, Op::AT88SC1604Read, {{address, n}, nullptr, out});
}

extern "C" TARN_API int Tarn_AT88SC1604Erasure(TARN_HANDLE port, int address, int n) {
  return run(port, Op::AT88SC1604Erasure, {{address, n}});
}

extern "C" TARN_API int Tarn_AT88SC1604Write(TARN_HANDLE port, int address, int n,
                                             const unsigned char* data) {
  return run(port, Op::AT88SC1604Write, {{address, n}, data});
}

extern "C" TARN_API int Tarn_AT88SC1604WritePWD(TARN_HANDLE port, int selector,
                                                const unsigned char* password) {
  return run(port, Op::AT88SC1604WritePWD, {{selector}, password});
}

extern "C" TARN_API int Tarn_AT88SC1604Personalization(TARN_HANDLE port, int value) {
  return run(port, Op::AT88SC1604Personalization, {{value}});
}

// ---- AT88SC1608 ----

extern "C" TARN_API int Tarn_AT88SC1608Reset(TARN_HANDLE port) {
  return run(port, Op::AT88SC1608Reset, {});
}

extern "C" TARN_API int Tarn_AT88SC1608VerifyPWD(TARN_HANDLE port, int selector,
                                                 const unsigned char* password) {
  return run(port, Op::AT88SC1608VerifyPWD, {{selector}, password});
}

extern "C" TARN_API int Tarn_AT88SC1608Read(TARN_HANDLE port, int zone, int address, int n,
                                            unsigned char* out) {
  return run(port, Op::AT88SC1608Read, {{zone, address, n}, nullptr, out});
}

extern "C" TARN_API int Tarn_AT88SC1608Write(TARN_HANDLE port, int zone, int address, int n,
                                             const unsigned char* data) {
  return run(port, Op::AT88SC1608Write, {{zone, address, n}, data});
}

extern "C" TARN_API int Tarn_AT88SC1608ReadFUSE(TARN_HANDLE port, unsigned char* first,
                                                unsigned char* second, unsigned char* third) {
  return tarn::memory::read_fuses(port, first, second, third);
}

extern "C" TARN_API int Tarn_AT88SC1608WriteFUSE(TARN_HANDLE port) {
  return run(port, Op::AT88SC1608WriteFUSE, {});
}

extern "C" TARN_API int Tarn_AT88SC1608InitAuth(TARN_HANDLE port, const unsigned char* value) {
  return run(port, Op::AT88SC1608InitAuth, {{}, value});
}

extern "C" TARN_API int Tarn_AT88SC1608VerifyAuth(TARN_HANDLE port, const unsigned char* value) {
  return run(port, Op::AT88SC1608VerifyAuth, {{}, value});
}

extern "C" TARN_API int Tarn_AT88SC1608WritePWD(TARN_HANDLE port, int selector,
                                                const unsigned char* password) {
  return run(port, Op::AT88SC1608WritePWD, {{selector}, password});
}

// ---- SLE4442 ----

extern "C" TARN_API int Tarn_SLE4442Reset(TARN_HANDLE port) {
  return run(port, Op::SLE4442Reset, {});
}

extern "C" TARN_API int Tarn_SLE4442VerifyPWD(TARN_HANDLE port, const unsigned char* psc) {
  return run(port, Op::SLE4442VerifyPWD, {{}, psc});
}

extern "C" TARN_API int Tarn_SLE4442Read(TARN_HANDLE port, int address, int n, unsigned char* out) {
  return run(port, Op::SLE4442Read, {{address, n}, nullptr, out});
}

extern "C" TARN_API int Tarn_SLE4442ReadProtectBit(TARN_HANDLE port, unsigned char* out) {
  return run(port, Op::SLE4442ReadProtectBit, {{}, nullptr, out});
}

extern "C" TARN_API int Tarn_SLE4442ReadSafety(TARN_HANDLE port, unsigned char* out) {
  return run(port, Op::SLE4442ReadSafety, {{}, nullptr, out});
}

extern "C" TARN_API int Tarn_SLE4442Write(TARN_HANDLE port, int address, int n,
                                          const unsigned char* data) {
  return run(port, Op::SLE4442Write, {{address, n}, data});
}

extern "C" TARN_API int Tarn_SLE4442WriteProtectBit(TARN_HANDLE port, int address, int n,
                                                    const unsigned char* data) {
  return run(port, Op::SLE4442WriteProtectBit, {{address, n}, data});
}

extern "C" TARN_API int Tarn_SLE4442ChangePWD(TARN_HANDLE port, const unsigned char* psc) {
  return run(port, Op::SLE4442ChangePWD, {{}, psc});
}

// ---- SLE4428 ----

extern "C" TARN_API int Tarn_Sle4428Reset(TARN_HANDLE port) {
  return run(port, Op::Sle4428Reset, {});
}

extern "C" TARN_API int Tarn_Sle4428VerifyPWD(TARN_HANDLE port, const unsigned char* psc) {
  return run(port, Op::Sle4428VerifyPWD, {{}, psc});
}

extern "C" TARN_API int Tarn_Sle4428Read(TARN_HANDLE port, int address, int n, unsigned char* out) {
  return run(port, Op::Sle4428Read, {{address, n}, nullptr, out});
}

extern "C" TARN_API int Tarn_Sle4428ReadProtectBit(TARN_HANDLE port, int address, int n,
                                                   unsigned char* out) {
  return run(port, Op::Sle4428ReadProtectBit, {{address, n}, nullptr, out});
}

extern "C" TARN_API int Tarn_Sle4428Write(TARN_HANDLE port, int address, int n,
                                          const unsigned char* data) {
  return run(port, Op::Sle4428Write, {{address, n}, data});
}

extern "C" TARN_API int Tarn_Sle4428WriteP(TARN_HANDLE port, int address, int n,
                                           const unsigned char* data) {
  return run(port, Op::Sle4428WriteP, {{address, n}, data});
}

extern "C" TARN_API int Tarn_Sle4428ChangePWD(TARN_HANDLE port, const unsigned char* psc) {
  return run(port, Op::Sle4428ChangePWD, {{}, psc});
}

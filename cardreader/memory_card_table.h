// The memory-card families as data: for each reader command its CM, its PM, how the export's
// arguments go into the request data, and what a positive reply hands back.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tarn::memory {

// One piece of the request data, taken from the export's arguments.
struct Field {
  enum Kind : std::uint8_t {
    End,    // no more fields
    Byte,   // the low byte of integer argument `arg`
    Word,   // integer argument `arg` (0 to 65535), high byte then low byte
    Count,  // the length n: integer argument `arg` (0 to 255), one byte
    Key,    // `size` bytes of the byte array, in array order
    Data,   // n bytes of the byte array (n from the Count field ahead of it)
  };
  Kind kind = End;
  std::uint16_t arg = 0;   // Byte, Word, Count: index of the integer argument
  std::uint16_t size = 0;  // Key: number of bytes
};

// What a positive reply hands to the caller's out buffer.
struct Copy {
  enum Kind : std::uint8_t {
    None,     // nothing
    Counted,  // n bytes of reply data (n from the Count field)
    Fixed,    // `size` bytes of reply data
  };
  Kind kind = None;
  std::uint16_t size = 0;
};

struct Operation {
  std::uint8_t cm;
  std::uint8_t pm;
  std::array<Field, 4> fields;  // request data in order, up to the first End
  Copy copy;
};

// Every reader command of the seven families. AT88SC102WritePWD has one entry per selector.
enum class Op : std::uint8_t {
  AT24CXXRead,
  AT24CXXWrite,
  AT45DB041Reset,
  AT45DB041Read,
  AT45DB041Write,
  AT88SC102Reset,
  AT88SC102VerifyPWD,
  AT88SC102Read,
  AT88SC102Security1Erasure,
  AT88SC102Security2ErasureApp1,
  AT88SC102Security2ErasureApp2,
  AT88SC102Write,
  AT88SC102WriteSecurityCode,  // WritePWD selector "0": 2 bytes
  AT88SC102WriteZone1Key,      // WritePWD selector "1": 6 bytes
  AT88SC102WriteZone2Key,      // WritePWD selector "2": 4 bytes
  AT88SC102SetMode,
  AT88SC102DisableEC2,
  AT88SC1604Reset,
  AT88SC1604VerifyPWD,
  AT88SC1604Read,
  AT88SC1604Erasure,
  AT88SC1604Write,
  AT88SC1604WritePWD,
  AT88SC1604Personalization,
  AT88SC1608Reset,
  AT88SC1608VerifyPWD,
  AT88SC1608Read,
  AT88SC1608Write,
  AT88SC1608ReadFUSE,
  AT88SC1608WriteFUSE,
  AT88SC1608InitAuth,
  AT88SC1608VerifyAuth,
  AT88SC1608WritePWD,
  SLE4442Reset,
  SLE4442VerifyPWD,
  SLE4442Read,
  SLE4442ReadProtectBit,
  SLE4442ReadSafety,
  SLE4442Write,
  SLE4442WriteProtectBit,
  SLE4442ChangePWD,
  Sle4428Reset,
  Sle4428VerifyPWD,
  Sle4428Read,
  Sle4428ReadProtectBit,
  Sle4428Write,
  Sle4428WriteP,
  Sle4428ChangePWD,
};

const Operation& operation(Op op);

// Largest reply each operation may receive: 300 bytes where the reply carries a length the
// caller chooses or a whole flash page, else the ordinary 100.
std::size_t reply_buffer_size(const Operation& op);

}  // namespace tarn::memory

// The six card-reader library functions the card methods use, called through this table so that
// a test can put a recording double in the library's place.
#pragma once

#include "Tarn_DLL.h"

namespace corvi {

struct CardLibrary {
  TARN_HANDLE (*comm_open)(const char* port);
  int (*comm_close)(TARN_HANDLE port);
  int (*check_card_position)(TARN_HANDLE port, unsigned char* status);
  int (*enter_card)(TARN_HANDLE port, int pm, unsigned int wait_ms);
  int (*move_card)(TARN_HANDLE port, int pm);
  int (*read_magcard_decode)(TARN_HANDLE port, int pm, int* count, unsigned char* out);
};

// The card-reader library's own functions.
inline constexpr CardLibrary kTarnLibrary{Tarn_CommOpen,  Tarn_CommClose, Tarn_CheckCardPosition,
                                          Tarn_EnterCard, Tarn_MoveCard,  Tarn_ReadMagcardDecode};

// The table in use; kTarnLibrary unless a test replaced it.
CardLibrary& card_library();

}  // namespace corvi

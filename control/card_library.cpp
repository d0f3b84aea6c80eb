#include "card_library.h"

namespace corvi {

CardLibrary& card_library() {
  static CardLibrary library = kTarnLibrary;
  return library;
}

}  // namespace corvi

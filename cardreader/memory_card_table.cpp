#include "memory_card_table.h"

namespace tarn::memory {
namespace {

constexpr Field byte(std::uint16_t arg) {
  return {Field::Byte, arg, 0};
}
constexpr Field word(std::uint16_t arg) {
  return {Field::Word, arg, 0};
}
constexpr Field count(std::uint16_t arg) {
  return {Field::Count, arg, 0};
}
constexpr Field key(std::uint16_t size) {
  return {Field::Key, 0, size};
}
constexpr Field data() {
  return {Field::Data, 0, 0};
}

constexpr Copy kNothing{};
constexpr Copy kCounted{Copy::Counted, 0};
constexpr Copy fixed(std::uint16_t size) {
  return {Copy::Fixed, size};
}

struct Row {
  Op op;
  Operation operation;
};

// Integer arguments are numbered in the export's order after the port handle; byte arrays
// (keys, passwords, data) are not numbered.
constexpr Row kRows[] = {
    // AT24Cxx: chip type, address, n. The length goes ahead of the address.
    {Op::AT24CXXRead, {'>', '0', {byte(0), count(2), word(1)}, kCounted}},
    {Op::AT24CXXWrite, {'>', '1', {byte(0), count(2), word(1), data()}, kNothing}},
    // AT45DB041: page number; one 264-byte page per call.
    {Op::AT45DB041Reset, {'?', '0', {}, kNothing}},
    {Op::AT45DB041Read, {'?', '1', {word(0)}, fixed(264)}},
    {Op::AT45DB041Write, {'?', '2', {word(0), key(264)}, kNothing}},
    // AT88SC102: one-byte address.
    {Op::AT88SC102Reset, {'@', '0', {}, kNothing}},
    {Op::AT88SC102VerifyPWD, {'@', '1', {key(2)}, kNothing}},
    {Op::AT88SC102Read, {'@', '2', {byte(0), count(1)}, kCounted}},
    {Op::AT88SC102Security1Erasure, {'@', '3', {byte(0), byte(1)}, kNothing}},
    {Op::AT88SC102Security2ErasureApp1, {'@', '4', {key(6)}, kNothing}},
    {Op::AT88SC102Security2ErasureApp2, {'@', '5', {byte(0), key(4)}, kNothing}},
    {Op::AT88SC102Write, {'@', '6', {byte(0), count(1), data()}, kNothing}},
    {Op::AT88SC102WriteSecurityCode, {'@', '7', {byte(0), key(2)}, kNothing}},
    {Op::AT88SC102WriteZone1Key, {'@', '7', {byte(0), key(6)}, kNothing}},
    {Op::AT88SC102WriteZone2Key, {'@', '7', {byte(0), key(4)}, kNothing}},
    {Op::AT88SC102SetMode, {'@', '8', {byte(0)}, kNothing}},
    {Op::AT88SC102DisableEC2, {'@', '9', {}, kNothing}},
    // AT88SC1604: two-byte address, one-byte password selector.
    {Op::AT88SC1604Reset, {'A', '0', {}, kNothing}},
    {Op::AT88SC1604VerifyPWD, {'A', '1', {byte(0), key(2)}, kNothing}},
    {Op::AT88SC1604Read, {'A', '2', {word(0), count(1)}, kCounted}},
    {Op::AT88SC1604Erasure, {'A', '3', {word(0), count(1)}, kNothing}},
    {Op::AT88SC1604Write, {'A', '4', {word(0), count(1), data()}, kNothing}},
    {Op::AT88SC1604WritePWD, {'A', '5', {byte(0), key(2)}, kNothing}},
    {Op::AT88SC1604Personalization, {'A', '6', {byte(0)}, kNothing}},
    // AT88SC1608: zone byte and one-byte address; 3-byte passwords, 8-byte authentication.
    {Op::AT88SC1608Reset, {'B', '0', {}, kNothing}},
    {Op::AT88SC1608VerifyPWD, {'B', '1', {byte(0), key(3)}, kNothing}},
    {Op::AT88SC1608Read, {'B', '2', {byte(0), byte(1), count(2)}, kCounted}},
    {Op::AT88SC1608Write, {'B', '3', {byte(0), byte(1), count(2), data()}, kNothing}},
    {Op::AT88SC1608ReadFUSE, {'B', '4', {}, fixed(3)}},
    {Op::AT88SC1608WriteFUSE, {'B', '5', {}, kNothing}},
    {Op::AT88SC1608InitAuth, {'B', '6', {key(8)}, kNothing}},
    {Op::AT88SC1608VerifyAuth, {'B', '7', {key(8)}, kNothing}},
    {Op::AT88SC1608WritePWD, {'B', '8', {byte(0), key(3)}, kNothing}},
    // SLE4442: one-byte address, 3-byte PSC.
    {Op::SLE4442Reset, {'C', '0', {}, kNothing}},
    {Op::SLE4442VerifyPWD, {'C', '1', {key(3)}, kNothing}},
    {Op::SLE4442Read, {'C', '2', {byte(0), count(1)}, kCounted}},
    {Op::SLE4442ReadProtectBit, {'C', '3', {}, fixed(32)}},
    {Op::SLE4442ReadSafety, {'C', '4', {}, fixed(4)}},
    {Op::SLE4442Write, {'C', '5', {byte(0), count(1), data()}, kNothing}},
    {Op::SLE4442WriteProtectBit, {'C', '6', {byte(0), count(1), data()}, kNothing}},
    {Op::SLE4442ChangePWD, {'C', '7', {key(3)}, kNothing}},
    // SLE4428: two-byte address, 2-byte PSC.
    {Op::Sle4428Reset, {'D', '0', {}, kNothing}},
    {Op::Sle4428VerifyPWD, {'D', '1', {key(2)}, kNothing}},
    {Op::Sle4428Read, {'D', '2', {word(0), count(1)}, kCounted}},
    {Op::Sle4428ReadProtectBit, {'D', '3', {word(0), count(1)}, kCounted}},
    {Op::Sle4428Write, {'D', '4', {word(0), count(1), data()}, kNothing}},
    {Op::Sle4428WriteP, {'D', '5', {word(0), count(1), data()}, kNothing}},
    {Op::Sle4428ChangePWD, {'D', '6', {key(2)}, kNothing}},
};

// The rows are looked up by their Op: each must stand at its own index.
constexpr bool rows_in_order() {
  for (std::size_t i = 0; i < std::size(kRows); ++i)
    if (static_cast<std::size_t>(kRows[i].op) != i) return false;
  return true;
}
static_assert(rows_in_order());
static_assert(std::size(kRows) == static_cast<std::size_t>(Op::Sle4428ChangePWD) + 1);

constexpr std::size_t kReplyBuffer = 100;
constexpr std::size_t kLargeReplyBuffer = 300;
constexpr std::size_t kFrameAndEchoes = 8;  // STX, length, status, CM and PM echoes, ETX, BCC

}  // namespace

const Operation& operation(Op op) {
  return kRows[static_cast<std::size_t>(op)].operation;
}

std::size_t reply_buffer_size(const Operation& op) {
  const bool large = op.copy.kind == Copy::Counted || op.copy.size + kFrameAndEchoes > kReplyBuffer;
  return large ? kLargeReplyBuffer : kReplyBuffer;
}

}  // namespace tarn::memory

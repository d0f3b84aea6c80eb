// Mifare S50 (Classic 1K), S70 (Classic 4K) and UltraLight: one reader command each, and the
// value block that InitValue writes, with the S70's block code turned into its block number.
#include <array>
#include <cstring>
#include <optional>

#include "Tarn_DLL.h"
#include "cpu_card.h"
#include "exchange.h"
#include "reply_copy.h"

namespace tarn::mifare {
namespace {

constexpr std::size_t kBlock = 16;
constexpr std::size_t kKey = 6;
constexpr std::size_t kOperand = 4;

// Command byte and parameter bytes of a family; 0 where the family has no such command.
struct Family {
  std::uint8_t cm;
  std::size_t id_size;
  std::uint8_t detect, card_id, load_key, read, write, init_value, increment, decrement, halt,
      modify_key;
};

constexpr Family kS50{';', 4, '0', '1', '2', '3', '4', '5', '6', '7', '8', '<'};
constexpr Family kS70{'<', 4, '0', '1', '2', '3', '4', '5', '6', '7', '8', '<'};
constexpr Family kUL{'=', 7, '0', '1', 0, '2', '3', 0, 0, 0, '4', 0};

int plain(void* port, const Family& f, std::uint8_t pm) {
  return run_command(port, {f.cm, pm});
}

int card_id(void* port, const Family& f, unsigned char* out) {
  if (!port) return TARN_E_NOPORT;
  if (!out) return TARN_E_ARGUMENT;
  return run_command(port, {f.cm, f.card_id}, [&f, out](const Reply& r) {
    copy_reply_data(r, out, f.id_size);
    return TARN_OK;
  });
}

int read_block(void* port, const Family& f, int block, unsigned char* out) {
  if (!port) return TARN_E_NOPORT;
  if (!out) return TARN_E_ARGUMENT;
  const std::array<std::uint8_t, 1> request{low_byte(block)};
  return run_command(port, {f.cm, f.read, request}, [out](const Reply& r) {
    copy_reply_data(r, out, kBlock);
    return TARN_OK;
  });
}

// Request data: a leading byte, then `n` bytes of the caller's array.
int lead_and_bytes(void* port, const Family& f, std::uint8_t pm, int lead,
                   const unsigned char* bytes, std::size_t n) {
  if (!port) return TARN_E_NOPORT;
  if (!bytes) return TARN_E_ARGUMENT;
  std::array<std::uint8_t, 1 + kBlock> request{low_byte(lead)};
  std::memcpy(request.data() + 1, bytes, n);
  return run_command(port, {f.cm, pm, std::span(request).first(1 + n)});
}

// LoadSecKey and ModifyKey: both selector bytes in argument order, then the 6 key bytes.
int key_command(void* port, const Family& f, std::uint8_t pm, int first, int second,
                const unsigned char* key) {
  if (!port) return TARN_E_NOPORT;
  if (!key) return TARN_E_ARGUMENT;
  std::array<std::uint8_t, 2 + kKey> request{low_byte(first), low_byte(second)};
  std::memcpy(request.data() + 2, key, kKey);
  return run_command(port, {f.cm, pm, request});
}

// The S70 block code: bits 7 to 2 the sector (0 to 39), bits 1 and 0 the block in the sector.
// Sectors 32 to 39 hold sixteen blocks each from block 128 on. None for a sector above 39.
std::optional<std::uint8_t> s70_block_number(std::uint8_t code) {
  const unsigned sector = code >> 2;
  const unsigned block = code & 3u;
  if (sector > 39) return std::nullopt;
  if (sector < 32) return code;
  return static_cast<std::uint8_t>(((sector + 8) * 16 + block) & 0xFF);
}

// Value block: value, its complement, value, then address, ~address, address, ~address.
std::array<std::uint8_t, 1 + kBlock> value_request(int block, std::uint8_t address,
                                                   const unsigned char* value) {
  std::array<std::uint8_t, 1 + kBlock> request{low_byte(block)};
  for (std::size_t k = 0; k < kOperand; ++k) {
    request[1 + k] = value[k];
    request[5 + k] = static_cast<std::uint8_t>(~value[k]);
    request[9 + k] = value[k];
  }
  const std::uint8_t complement = static_cast<std::uint8_t>(~address);
  request[13] = request[15] = address;
  request[14] = request[16] = complement;
  return request;
}

int init_value(void* port, const Family& f, int block, const unsigned char* value) {
  if (!port) return TARN_E_NOPORT;
  const std::uint8_t code = low_byte(block);
  const std::optional<std::uint8_t> address = f.cm == kS70.cm ? s70_block_number(code) : code;
  if (!address) return TARN_E_FAMILY;
  if (!value) return TARN_E_ARGUMENT;
  return run_command(port, {f.cm, f.init_value, value_request(block, *address, value)});
}

}  // namespace
}  // namespace tarn::mifare

using namespace tarn::mifare;

// ---- S50 ----

extern "C" TARN_API int Tarn_S50DetectCard(TARN_HANDLE port) {
  return plain(port, kS50, kS50.detect);
}

extern "C" TARN_API int Tarn_S50GetCardID(TARN_HANDLE port, unsigned char* id) {
  return card_id(port, kS50, id);
}

extern "C" TARN_API int Tarn_S50LoadSecKey(TARN_HANDLE port, int first, int second,
                                           const unsigned char* key) {
  return key_command(port, kS50, kS50.load_key, first, second, key);
}

extern "C" TARN_API int Tarn_S50ReadBlock(TARN_HANDLE port, int block, unsigned char* out) {
  return read_block(port, kS50, block, out);
}

extern "C" TARN_API int Tarn_S50WriteBlock(TARN_HANDLE port, int block, const unsigned char* data) {
  return lead_and_bytes(port, kS50, kS50.write, block, data, kBlock);
}

extern "C" TARN_API int Tarn_S50InitValue(TARN_HANDLE port, int block, const unsigned char* value) {
  return init_value(port, kS50, block, value);
}

extern "C" TARN_API int Tarn_S50Increment(TARN_HANDLE port, int block,
                                          const unsigned char* operand) {
  return lead_and_bytes(port, kS50, kS50.increment, block, operand, kOperand);
}

extern "C" TARN_API int Tarn_S50Decrement(TARN_HANDLE port, int block,
                                          const unsigned char* operand) {
  return lead_and_bytes(port, kS50, kS50.decrement, block, operand, kOperand);
}

extern "C" TARN_API int Tarn_S50Halt(TARN_HANDLE port) {
  return plain(port, kS50, kS50.halt);
}

extern "C" TARN_API int Tarn_S50ModifyKey(TARN_HANDLE port, int first, int second,
                                          const unsigned char* key) {
  return key_command(port, kS50, kS50.modify_key, first, second, key);
}

// ---- S70 ----

extern "C" TARN_API int Tarn_S70DetectCard(TARN_HANDLE port) {
  return plain(port, kS70, kS70.detect);
}

extern "C" TARN_API int Tarn_S70GetCardID(TARN_HANDLE port, unsigned char* id) {
  return card_id(port, kS70, id);
}

extern "C" TARN_API int Tarn_S70LoadSecKey(TARN_HANDLE port, int first, int second,
                                           const unsigned char* key) {
  return key_command(port, kS70, kS70.load_key, first, second, key);
}

extern "C" TARN_API int Tarn_S70ReadBlock(TARN_HANDLE port, int block, unsigned char* out) {
  return read_block(port, kS70, block, out);
}

extern "C" TARN_API int Tarn_S70WriteBlock(TARN_HANDLE port, int block, const unsigned char* data) {
  return lead_and_bytes(port, kS70, kS70.write, block, data, kBlock);
}

extern "C" TARN_API int Tarn_S70InitValue(TARN_HANDLE port, int block, const unsigned char* value) {
  return init_value(port, kS70, block, value);
}

extern "C" TARN_API int Tarn_S70Increment(TARN_HANDLE port, int block,
                                          const unsigned char* operand) {
  return lead_and_bytes(port, kS70, kS70.increment, block, operand, kOperand);
}

extern "C" TARN_API int Tarn_S70Decrement(TARN_HANDLE port, int block,
                                          const unsigned char* operand) {
  return lead_and_bytes(port, kS70, kS70.decrement, block, operand, kOperand);
}

extern "C" TARN_API int Tarn_S70Halt(TARN_HANDLE port) {
  return plain(port, kS70, kS70.halt);
}

extern "C" TARN_API int Tarn_S70ModifyKey(TARN_HANDLE port, int first, int second,
                                          const unsigned char* key) {
  return key_command(port, kS70, kS70.modify_key, first, second, key);
}

// ---- UltraLight ----

extern "C" TARN_API int Tarn_ULDetectCard(TARN_HANDLE port) {
  return plain(port, kUL, kUL.detect);
}

extern "C" TARN_API int Tarn_ULGetCardID(TARN_HANDLE port, unsigned char* id) {
  return card_id(port, kUL, id);
}

extern "C" TARN_API int Tarn_ULReadBlock(TARN_HANDLE port, int page, unsigned char* out) {
  return read_block(port, kUL, page, out);
}

extern "C" TARN_API int Tarn_ULWriteBlock(TARN_HANDLE port, int page, const unsigned char* data) {
  return lead_and_bytes(port, kUL, kUL.write, page, data, kBlock);
}

extern "C" TARN_API int Tarn_ULHalt(TARN_HANDLE port) {
  return plain(port, kUL, kUL.halt);
}

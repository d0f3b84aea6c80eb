// ISO 15693 vicinity tags: CM "H", a request-flags byte (and the tag's UID in addressed mode)
// ahead of each command's bytes, and the family's own mapping of negative replies.
#include <algorithm>
#include <initializer_list>
#include <optional>
#include <vector>

#include "Tarn_DLL.h"
#include "exchange.h"
#include "reply_copy.h"

namespace tarn::iso15693 {
namespace {

constexpr std::uint8_t kCm = 'H';
constexpr std::uint8_t kHighDataRate = 0x02;
constexpr std::uint8_t kAddressed = 0x22;
constexpr std::size_t kUid = 8;
constexpr std::size_t kBlock = 4;
constexpr std::size_t kInformation = 15;
constexpr std::size_t kBlockReply = 3000;
constexpr std::size_t kInformationReply = 50;
constexpr std::size_t kShortReply = 30;
constexpr std::uint8_t kNoCode = 0;
constexpr std::uint8_t kTagError = 1;

// The tag a request goes to: any tag in the field, or (addressed) the one with this UID.
struct Tag {
  int addressed;  // a byte: 0 any tag, else the one with `uid`
  const unsigned char* uid;
};

using Request = std::optional<std::vector<std::uint8_t>>;

// Flags byte, the UID in addressed mode, then the command's own bytes; none when addressed mode
// has no UID to send.
Request request_to(const Tag& tag, std::initializer_list<std::uint8_t> tail) {
  const bool addressed = low_byte(tag.addressed) != 0;
  std::vector<std::uint8_t> request{addressed ? kAddressed : kHighDataRate};
  if (addressed) {
    if (!tag.uid) return std::nullopt;
    request.insert(request.end(), tag.uid, tag.uid + kUid);
  }
  request.insert(request.end(), tail);
  return request;
}

// A negative reply: error byte 0 means the reader got no answer; error byte 1 carries the tag's
// error code after it. A status byte other than "P" is never a success.
int refusal(const Reply& reply) {
  const std::uint8_t error = reply.error_byte();
  if (error == kNoCode) return TARN_E_FAMILY;
  if (error == kTagError && reply.data().size() > 1) return TARN_E_TAG_BASE + reply.data_at(1);
  return error;
}

int run(void* port, std::uint8_t pm, const Request& request, std::size_t reply_size,
        const Unpack& unpack = {}) {
  if (!port) return TARN_E_NOPORT;
  if (!request) return TARN_E_ARGUMENT;
  Reply reply(reply_size);
  const int result = exchange(port, {kCm, pm, *request, reply_size}, reply);
  if (result != TARN_OK) return result;
  if (reply.cm_echo() != kCm) return TARN_E_REPLY;
  if (reply.status() != 'P') return refusal(reply);
  return unpack ? unpack(reply) : TARN_OK;
}

// Commands whose reply hands nothing back.
int plain(void* port, std::uint8_t pm, const Tag& tag,
          std::initializer_list<std::uint8_t> tail = {}) {
  return run(port, pm, request_to(tag, tail), kShortReply);
}

// Copies the first `n` reply data bytes.
Unpack copy_to(unsigned char* out, std::size_t n) {
  return [out, n](const Reply& r) {
    copy_reply_data(r, out, n);
    return TARN_OK;
  };
}

// Block data, then one trailing byte; a reply too short to hold the trailing byte is refused.
int read_blocks(void* port, std::uint8_t pm, const Tag& tag, int first, int count,
                unsigned char* data, unsigned char* trailing) {
  if (!port) return TARN_E_NOPORT;
  if (!data || !trailing) return TARN_E_ARGUMENT;
  return run(port, pm, request_to(tag, {low_byte(first), low_byte(count)}), kBlockReply,
             [data, trailing](const Reply& r) {
               const auto bytes = r.data();
               if (bytes.empty()) return TARN_E_REPLY;
               std::copy(bytes.begin(), bytes.end() - 1, data);
               *trailing = bytes.back();
               return TARN_OK;
             });
}

int write_blocks(void* port, const Tag& tag, int first, int count, const unsigned char* data,
                 unsigned char* result) {
  if (!port) return TARN_E_NOPORT;
  const std::size_t n = kBlock * low_byte(count);
  if ((n > 0 && !data) || !result) return TARN_E_ARGUMENT;
  Request request = request_to(tag, {low_byte(first), low_byte(count)});
  if (request && n > 0) request->insert(request->end(), data, data + n);
  return run(port, '2', request, kBlockReply, copy_to(result, 1));
}

}  // namespace
}  // namespace tarn::iso15693

using namespace tarn::iso15693;
using tarn::low_byte;

extern "C" TARN_API int Tarn_15693GetUid(TARN_HANDLE port, unsigned char* uid) {
  if (port && !uid) return TARN_E_ARGUMENT;
  return run(port, '0', std::vector<std::uint8_t>{}, kShortReply, copy_to(uid, kUid));
}

extern "C" TARN_API int Tarn_15693ReadData(TARN_HANDLE port, int addressed,
                                           const unsigned char* uid, int first, int count,
                                           unsigned char* data, unsigned char* trailing) {
  return read_blocks(port, '1', {addressed, uid}, first, count, data, trailing);
}

extern "C" TARN_API int Tarn_15693WriteData(TARN_HANDLE port, int addressed,
                                            const unsigned char* uid, int first, int count,
                                            const unsigned char* data, unsigned char* result) {
  return write_blocks(port, {addressed, uid}, first, count, data, result);
}

extern "C" TARN_API int Tarn_15693ChooseCard(TARN_HANDLE port, int addressed,
                                             const unsigned char* uid) {
  return plain(port, '3', {addressed, uid});
}

extern "C" TARN_API int Tarn_15693GetMessage(TARN_HANDLE port, int addressed,
                                             const unsigned char* uid, unsigned char* info) {
  if (port && !info) return TARN_E_ARGUMENT;
  return run(port, '4', request_to({addressed, uid}, {}), kInformationReply,
             copy_to(info, kInformation));
}

extern "C" TARN_API int Tarn_15693ReadSafeBit(TARN_HANDLE port, int addressed,
                                              const unsigned char* uid, int first, int count,
                                              unsigned char* trailing, unsigned char* data) {
  return read_blocks(port, '5', {addressed, uid}, first, count, data, trailing);
}

extern "C" TARN_API int Tarn_15693WriteDSFID(TARN_HANDLE port, int addressed,
                                             const unsigned char* uid, int dsfid) {
  return plain(port, '6', {addressed, uid}, {low_byte(dsfid)});
}

extern "C" TARN_API int Tarn_15693WriteAFI(TARN_HANDLE port, int addressed,
                                           const unsigned char* uid, int afi) {
  return plain(port, '7', {addressed, uid}, {low_byte(afi)});
}

extern "C" TARN_API int Tarn_15693LockBlock(TARN_HANDLE port, int addressed,
                                            const unsigned char* uid, int block) {
  return plain(port, ':', {addressed, uid}, {low_byte(block)});
}

extern "C" TARN_API int Tarn_15693LockAFI(TARN_HANDLE port, int addressed,
                                          const unsigned char* uid) {
  return plain(port, ';', {addressed, uid});
}

extern "C" TARN_API int Tarn_15693LockDSFID(TARN_HANDLE port, int addressed,
                                            const unsigned char* uid) {
  return plain(port, '<', {addressed, uid});
}

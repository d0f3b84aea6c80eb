#include "exchange.h"

#include <mutex>

#include "Tarn_DLL.h"
#include "frame.h"
#include "port_table.h"
#include "sync/library_lock.h"

namespace tarn {
namespace {

// Sends the request frame on a purged line; the write result is not examined, a frame that did
// not go out shows up as a missing acknowledgement.
void send_frame(platform::SerialPort& port, const Command& command) {
  const auto frame = build_frame(command.cm, command.pm, command.data);
  port.purge();
  port.write(frame.data(), frame.size());
}

int judge(const Command& command, const Reply& reply, const Unpack& unpack) {
  if (reply.cm_echo() != command.cm) return TARN_E_REPLY;
  // A refusal without an error byte must not read as success.
  if (reply.status() != 'P') return reply.error_byte() ? reply.error_byte() : TARN_E_FAMILY;
  return unpack ? unpack(reply) : TARN_OK;
}

}  // namespace

int exchange(void* handle, const Command& command, Reply& reply) {
  if (!handle) return TARN_E_NOPORT;
  const PortRef port = find_port(handle);
  if (!port) return TARN_E_NOACK;
  std::lock_guard lock(platform::library_lock());
  send_frame(*port, command);
  return receive_reply(*port, reply, command.wait);
}

int run_command(void* handle, const Command& command, const Unpack& unpack) {
  Reply reply(command.reply_size);
  const int result = exchange(handle, command, reply);
  return result == TARN_OK ? judge(command, reply, unpack) : result;
}

int run_card_entry(void* handle, std::uint8_t pm, unsigned wait_ms) {
  if (!handle) return TARN_E_NOPORT;
  const PortRef port = find_port(handle);
  if (!port) return TARN_E_ENTRY;
  const Command command{'2', pm};
  Reply reply(command.reply_size);
  bool received = false;
  {
    std::lock_guard lock(platform::library_lock());
    send_frame(*port, command);
    received = receive_card_entry(*port, reply, wait_ms);
  }
  return received ? judge(command, reply, {}) : TARN_E_ENTRY;
}

}  // namespace tarn

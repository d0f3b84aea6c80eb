#include "callbacks.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>

#include "Ferro.h"
#include "trace.h"

namespace ferro {
namespace {

struct CallbackTable {
  pboc_apdu_callback apdu = nullptr;
  pboc_writelog_callback writelog = nullptr;
  pboc_poweron_callback poweron = nullptr;
  pboc_poweroff_callback poweroff = nullptr;
};

CallbackTable table;

// Held only while the APDU callback runs.
std::mutex exchange_lock;

constexpr int kAtrCapacity = 500;

template <typename Fn>
Fn as_callback(void* fn) {
  return reinterpret_cast<Fn>(fn);
}

int clamp_length(int length, int capacity) {
  return std::clamp(length, 0, capacity);
}

// The error line of a step whose callback is missing; the step then fails with 3.
int missing(const char* func_name) {
  if (log_registered()) {
    TraceText text;
    text.add("%s = null", func_name);
    write_log(func_name, FERRO_LOG_ERROR, text.c_str());
  }
  return FERRO_NO_CALLBACK;
}

void trace_line(const char* func_name, const char* line) {
  if (log_registered()) write_log(func_name, FERRO_LOG_TRACE, line);
}

}  // namespace

int set_callback(const char* name, void* fn) {
  if (log_registered()) {
    TraceText text;
    text.add("lpszCallBackName [%s], Dll Version = [%s]", name ? name : "(null)", kVersionText);
    write_log("pboc_setcallback", FERRO_LOG_TRACE, text.c_str());
  }
  if (name == nullptr) return 1;
  if (std::strcmp(name, "pboc_apdu") == 0) {
    table.apdu = as_callback<pboc_apdu_callback>(fn);
  } else if (std::strcmp(name, "pboc_writelog") == 0) {
    table.writelog = as_callback<pboc_writelog_callback>(fn);
  } else if (std::strcmp(name, "pboc_poweron") == 0) {
    table.poweron = as_callback<pboc_poweron_callback>(fn);
  } else if (std::strcmp(name, "pboc_poweroff") == 0) {
    table.poweroff = as_callback<pboc_poweroff_callback>(fn);
  } else {
    return 1;
  }
  return 0;
}

bool log_registered() {
  return table.writelog != nullptr;
}

void write_log(const char* func_name, int level, const char* text) {
  if (table.writelog != nullptr) table.writelog(func_name, level, text);
}

int callback_apdu(std::span<const std::uint8_t> send, Reply& reply) {
  const int send_len = static_cast<int>(send.size());
  if (log_registered()) {
    TraceText text;
    text.add("callback_apdu: sendlen = [%d], ", send_len);
    text.add("Send Apdu: [");
    text.add_hex(send);
    text.add("]");
    write_log("callback_apdu", FERRO_LOG_TRACE, text.c_str());
  }
  if (table.apdu == nullptr) return missing("callback_apdu");

  std::array<std::uint8_t, 2> aux{};
  int reported = 0;
  int result = 0;
  {
    std::lock_guard guard(exchange_lock);
    result = fold_result(
        table.apdu(0, send_len, send.data(), aux.data(), reply.bytes.data(), &reported));
  }
  reply.length = clamp_length(reported, kReplyCapacity);
  if (log_registered()) {
    TraceText text;
    text.add("callback_apdu return %d: recvlen = [%d], ", result, reported);
    text.add("Recv Apdu: [");
    text.add_hex(reply.all());
    text.add("]");
    write_log("callback_apdu", FERRO_LOG_TRACE, text.c_str());
  }
  return result;
}

int callback_poweron() {
  trace_line("callback_poweron", "Enter callback_poweron");
  if (table.poweron == nullptr) return missing("callback_poweron");

  std::array<std::uint8_t, kAtrCapacity> atr{};
  int atr_len = 0;
  const int result = fold_result(table.poweron(atr.data(), &atr_len));
  if (log_registered()) {
    TraceText text;
    text.add("callback_poweron return %d: Recvlen = [%d], ", result, atr_len);
    text.add("Recv Atr: [");
    text.add_hex(std::span(atr).first(clamp_length(atr_len, kAtrCapacity)));
    text.add("]");
    write_log("callback_poweron", FERRO_LOG_TRACE, text.c_str());
  }
  return result;
}

int callback_poweroff() {
  trace_line("callback_poweroff", "Enter callback_poweroff");
  if (table.poweroff == nullptr) return missing("callback_poweroff");

  const int result = fold_result(table.poweroff());
  if (log_registered()) {
    TraceText text;
    text.add("callback_poweroff return [%d]", result);
    write_log("callback_poweroff", FERRO_LOG_TRACE, text.c_str());
  }
  return result;
}

}  // namespace ferro

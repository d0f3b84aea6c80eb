#include "card_library_double.h"

#include <algorithm>
#include <cstdio>

namespace corvi_test {
namespace {

struct State {
  bool forward = false;
  std::optional<unsigned> entry_wait_ms;
  CardScript script;
  std::vector<std::string> calls;
};
State g_state;

// A handle the double hands out; never dereferenced.
int g_port_token;

std::string byte(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value & 0xFF);
  return text;
}

TARN_HANDLE comm_open(const char* port) {
  g_state.calls.push_back("CommOpen(" + std::string(port ? port : "null") + ")");
  if (g_state.forward) return corvi::kTarnLibrary.comm_open(port);
  return g_state.script.port_opens ? &g_port_token : nullptr;
}

int comm_close(TARN_HANDLE port) {
  g_state.calls.push_back("CommClose");
  return g_state.forward ? corvi::kTarnLibrary.comm_close(port) : TARN_OK;
}

int check_card_position(TARN_HANDLE port, unsigned char* status) {
  g_state.calls.push_back("CheckCardPosition");
  if (g_state.forward) return corvi::kTarnLibrary.check_card_position(port, status);
  if (g_state.script.position_result == TARN_OK) *status = g_state.script.position;
  return g_state.script.position_result;
}

int enter_card(TARN_HANDLE port, int pm, unsigned int wait_ms) {
  g_state.calls.push_back("EnterCard(" + byte(pm) + ", " + std::to_string(wait_ms) + ")");
  if (!g_state.forward) return g_state.script.enter_result;
  return corvi::kTarnLibrary.enter_card(port, pm, g_state.entry_wait_ms.value_or(wait_ms));
}

int move_card(TARN_HANDLE port, int pm) {
  g_state.calls.push_back("MoveCard(" + byte(pm) + ")");
  return g_state.forward ? corvi::kTarnLibrary.move_card(port, pm) : g_state.script.move_result;
}

int read_magcard_decode(TARN_HANDLE port, int pm, int* count, unsigned char* out) {
  g_state.calls.push_back("ReadMagcardDecode(" + byte(pm) + ")");
  if (g_state.forward) return corvi::kTarnLibrary.read_magcard_decode(port, pm, count, out);
  std::copy(g_state.script.stripe.begin(), g_state.script.stripe.end(), out);
  *count = g_state.script.read_count;
  return TARN_OK;
}

constexpr corvi::CardLibrary kDouble{comm_open,  comm_close, check_card_position,
                                     enter_card, move_card,  read_magcard_decode};

}  // namespace

CardLibraryDouble::CardLibraryDouble() {
  g_state = State{};
  corvi::card_library() = kDouble;
}

CardLibraryDouble::~CardLibraryDouble() {
  corvi::card_library() = corvi::kTarnLibrary;
}

void CardLibraryDouble::script(CardScript script) {
  g_state.forward = false;
  g_state.script = std::move(script);
}

void CardLibraryDouble::pass_through(std::optional<unsigned> entry_wait_ms) {
  g_state.forward = true;
  g_state.entry_wait_ms = entry_wait_ms;
}

std::vector<std::string> CardLibraryDouble::calls() const {
  return g_state.calls;
}

}  // namespace corvi_test

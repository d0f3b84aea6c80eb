#include "demo.h"

#include <cstdio>

#include "call_log.h"
#include "control_host.h"
#include "scan_queue.h"
#include "sim_folder.h"

namespace corvi_tool {
namespace {

constexpr const char* kReceipt =
    "CORVI KIOSK RECEIPT\n"
    "Card: %s\n"
    "Service: balance enquiry\n"
    "Thank you";
// What the scanner reads off the customer's document: a leading mark, then the document number.
constexpr const char* kDocumentReading = "#KIOSK-DOC-0001";

void say(const std::string& text) {
  std::printf("%s\n", text.c_str());
  std::fflush(stdout);
}

std::string shown(const automation::Variant& result) {
  return show_result(result).value_or("(null string)");
}

automation::Variant call(ControlHost& host, const char* method,
                         std::vector<automation::Variant> args = {}) {
  automation::Variant result = host.call(method, std::move(args));
  say(std::string("   ") + method + " -> " + shown(result));
  return result;
}

automation::Variant call(ControlHost& host, const char* method, const std::string& argument) {
  std::vector<automation::Variant> args;
  args.push_back(text_argument(argument));
  return call(host, method, std::move(args));
}

std::string masked(const std::string& card_number) {
  if (card_number.size() < 10) return card_number;
  return card_number.substr(0, 6) + std::string(card_number.size() - 10, '*') +
         card_number.substr(card_number.size() - 4);
}

bool card_steps(ControlHost& host, const std::string& port, std::string& card_number) {
  say("1. EnterCard: waiting for the customer's card (up to 30 s)...");
  if (call(host, "EnterCard", port).ui1() != '0') return false;
  say("2. ReadMagcard: reading the magnetic stripe");
  const auto stripe = show_result(call(host, "ReadMagcard", port));
  if (!stripe) return false;
  card_number = *stripe;
  return true;
}

void printer_steps(ControlHost& host, const std::string& card_number) {
  say("3. PrintData: printing the receipt");
  char receipt[256];
  std::snprintf(receipt, sizeof receipt, kReceipt, masked(card_number).c_str());
  call(host, "PrintData", receipt);
  say("   printed to " + rkprinter::spool_file().string());
  say("4. AutoPageUnload: the receipt goes out");
  call(host, "AutoPageUnload");
}

void scanner_step(ControlHost& host, SimReader* sim) {
  say("5. TurnOnScanner: scanning the customer's document");
  if (sim != nullptr && rkprinter::queue_reading(kDocumentReading))
    say("   [virtual scanner] the customer presents a document");
  call(host, "TurnOnScanner");
}

bool return_card(ControlHost& host, const std::string& port, SimReader* sim) {
  say("6. MoveCard: the card goes back to the gate");
  if (call(host, "MoveCard", port).ui1() != '0') return false;
  if (sim != nullptr && sim->take_card()) say("   [virtual reader] the customer takes the card");
  return true;
}

}  // namespace

int run_demo(const std::string& port, SimReader* sim) {
  ControlHost host;
  say("Kiosk session through the Corvi control " + shown(host.call("GetOcxVersion")) +
      " (card reader on " + port + ")");
  const std::size_t calls_before = rkprinter::recorded_calls().size();
  std::string card_number;
  if (!card_steps(host, port, card_number)) return 1;
  printer_steps(host, card_number);
  scanner_step(host, sim);
  if (!return_card(host, port, sim)) return 1;
  say("Printer and scanner calls of this session (" + rkprinter::call_log_file().string() + "):");
  const auto calls = rkprinter::recorded_calls();
  for (std::size_t i = calls_before; i < calls.size(); ++i) say("   " + calls[i]);
  say("Session complete.");
  return 0;
}

}  // namespace corvi_tool

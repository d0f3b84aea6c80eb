// Shared pieces of the `tarn` command-line host: the session, sub-command tables, arguments.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "readersim/virtual_reader.h"

namespace tarn_tool {

// What every sub-command gets: the open port and, with --sim, the in-process virtual reader with
// the card its customer presents.
struct Session {
  void* port = nullptr;
  readersim::VirtualReader* sim = nullptr;
  readersim::Card card;
};

using Args = std::span<const std::string>;

struct SubCommand {
  const char* name;
  const char* usage;  // arguments after the name
  const char* help;
  std::function<int(Session&, Args)> run;  // returns the process exit status
};

// Thrown for a malformed command line; main prints it with the usage and exits with 2.
struct UsageError {
  std::string message;
};

std::span<const SubCommand> reader_subcommands();
std::span<const SubCommand> smartcard_subcommands();
std::span<const SubCommand> memory_subcommands();
std::span<const SubCommand> pboc_subcommands();
int run_demo(Session& session, Args args);
// The demo's online PBOC payment on the virtual reader's debit card; false after a failure.
bool run_online_payment(Session& session);

// Arguments: a byte given as a number (0x31, 49) or as one character in quotes-free form ("1").
std::uint8_t byte_arg(const std::string& text);
long number_arg(const std::string& text);
std::vector<std::uint8_t> hex_arg(const std::string& text);
std::string hex(std::span<const std::uint8_t> bytes);
// A byte as hex and, when printable, as the character: 35 "5".
std::string describe_byte(std::uint8_t byte);

// GBK text from a card in the terminal's character set (UTF-8 under the C locale), without its
// trailing spaces and zeros; hex when it cannot be converted.
std::string from_gbk(std::span<const unsigned char> bytes);

// Prints the library's result; returns the exit status (0 for success, 1 otherwise).
int report(const char* what, int result);
const char* result_text(int result);

}  // namespace tarn_tool

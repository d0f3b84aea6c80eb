// tarn-readersim: a virtual card reader on a pseudo-terminal, driven from stdin.
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

#include "console.h"

namespace {

constexpr const char* kSynopsis =
    "usage: tarn-readersim [--link PATH] [--card FILE] [--baud RATE]\n";
constexpr const char* kUsage =
    "Serves a virtual card reader on a pseudo-terminal and prints the slave's path.\n"
    "  --link PATH   also make PATH a symlink to the slave\n"
    "  --card FILE   start with this card (JSON card file) waiting at the gate\n"
    "  --baud RATE   send bytes at this line rate (default: at once)\n"
    "Then reads commands from stdin, one per line:\n";

struct Arguments {
  // A console session may run for days: it keeps counts, not every byte of every exchange.
  readersim::ReaderOptions options{.link = "", .pace_baud = 0, .record = false};
  std::optional<std::string> card;
  bool help = false;
};

// Throws std::invalid_argument with a message for the user.
Arguments parse(int argc, char** argv) {
  Arguments args;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      args.help = true;
      continue;
    }
    if (a != "--link" && a != "--card" && a != "--baud") {
      throw std::invalid_argument("unknown option " + a);
    }
    if (i + 1 >= argc) throw std::invalid_argument(a + " needs a value");
    std::string value = argv[++i];
    if (a == "--link") args.options.link = value;
    if (a == "--card") args.card = value;
    if (a == "--baud") {
      std::size_t used = 0;
      unsigned long rate = 0;
      try {
        rate = std::stoul(value, &used);
      } catch (const std::exception&) {
        used = 0;
      }
      if (used != value.size() || rate == 0 || rate > 4'000'000) {
        throw std::invalid_argument("--baud needs a rate from 1 to 4000000, not " + value);
      }
      args.options.pace_baud = static_cast<unsigned>(rate);
    }
  }
  return args;
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args;
  try {
    args = parse(argc, argv);
  } catch (const std::invalid_argument& e) {
    std::cerr << "tarn-readersim: " << e.what() << '\n' << kSynopsis;
    return 2;
  }
  if (args.help) {
    std::cout << kSynopsis << kUsage << readersim::Console::kHelp;
    return 0;
  }
  try {
    std::optional<readersim::Card> card;
    if (args.card) card = readersim::load_card(*args.card);
    readersim::VirtualReader reader(args.options);
    if (card) reader.insert_card(std::move(*card));
    std::cout << reader.slave_path() << std::endl;
    readersim::Console(reader, std::cout, std::cerr).run(std::cin);
  } catch (const std::exception& e) {
    std::cerr << "tarn-readersim: " << e.what() << '\n';
    return 1;
  }
  return 0;
}

// tarn: a command-line host over the card-reader library.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "Tarn_DLL.h"
#include "cli.h"

namespace tarn_tool {
namespace {

struct Options {
  std::string port;
  std::string card;
  long baud = 0;
  bool sim = false;
  bool help = false;
  std::vector<std::string> command;
};

std::vector<SubCommand> all_subcommands() {
  std::vector<SubCommand> all(reader_subcommands().begin(), reader_subcommands().end());
  all.insert(all.end(), smartcard_subcommands().begin(), smartcard_subcommands().end());
  all.insert(all.end(), memory_subcommands().begin(), memory_subcommands().end());
  all.insert(all.end(), pboc_subcommands().begin(), pboc_subcommands().end());
  all.push_back({"demo", "",
                 "a kiosk session: card entered, position, stripe read, card out, social-security, "
                 "loyalty (SLE4442) and transit (Mifare) cards, an online PBOC payment",
                 run_demo});
  return all;
}

void usage(std::FILE* out) {
  std::fprintf(out,
               "usage: tarn [--port PATH | --sim [--card FILE]] [--baud RATE] [--trace] COMMAND "
               "[ARGS...]\n\n"
               "  --port PATH   serial port of the card reader (COM1, ttyUSB0, /dev/...);\n"
               "                default: $TARN_PORT\n"
               "  --sim         use the built-in virtual card reader\n"
               "  --card FILE   card file the virtual reader holds at its slot (JSON)\n"
               "  --baud RATE   open the port at RATE (1200..115200) instead of 9600\n"
               "  --trace       print every byte on the line in hex (stderr)\n\n"
               "commands:\n");
  for (const auto& c : all_subcommands())
    std::fprintf(out, "  %-14s %-26s %s\n", c.name, c.usage, c.help);
}

Options parse(int argc, char** argv) {
  Options o;
  if (const char* port = std::getenv("TARN_PORT")) o.port = port;
  int i = 1;
  auto value = [&](const char* flag) -> std::string {
    if (i + 1 >= argc) throw UsageError{std::string(flag) + " needs a value"};
    return argv[++i];
  };
  for (; i < argc && argv[i][0] == '-' && argv[i][1] == '-'; ++i) {
    const std::string flag = argv[i];
    if (flag == "--help")
      o.help = true;
    else if (flag == "--sim")
      o.sim = true;
    else if (flag == "--trace")
      setenv("TARN_TRACE", "1", 1);
    else if (flag == "--port")
      o.port = value("--port");
    else if (flag == "--card")
      o.card = value("--card");
    else if (flag == "--baud")
      o.baud = number_arg(value("--baud"));
    else
      throw UsageError{"unknown option " + flag};
  }
  o.command.assign(argv + i, argv + argc);
  if (!o.help && o.command.empty()) throw UsageError{"no command given"};
  if (!o.card.empty() && !o.sim) throw UsageError{"--card needs --sim"};
  return o;
}

void* open_port(const std::string& path, long baud) {
  return baud ? Tarn_CommOpenWithBaud(path.c_str(), static_cast<unsigned>(baud))
              : Tarn_CommOpen(path.c_str());
}

int run(const Options& o) {
  const auto commands = all_subcommands();
  const SubCommand* command = nullptr;
  for (const auto& c : commands)
    if (o.command[0] == c.name) command = &c;
  if (!command) throw UsageError{"unknown command " + o.command[0]};
  if (o.command[0] == "version" || o.command[0] == "issuer") {  // no reader needed
    Session no_port;
    return command->run(no_port, Args(o.command).subspan(1));
  }

  std::unique_ptr<readersim::VirtualReader> sim;
  if (o.sim) sim = std::make_unique<readersim::VirtualReader>();
  const std::string path = sim ? sim->slave_path() : o.port;
  if (path.empty()) throw UsageError{"no port: give --port PATH or --sim"};
  Session session{open_port(path, o.baud), sim.get(),
                  o.card.empty() ? readersim::default_bank_card() : readersim::load_card(o.card)};
  if (sim && o.command[0] != "demo") sim->place_card(session.card, readersim::Position::ReadHead);
  if (!session.port) {
    std::fprintf(stderr, "tarn: cannot open %s\n", path.c_str());
    return 1;
  }
  const int status = command->run(session, Args(o.command).subspan(1));
  Tarn_CommClose(session.port);
  return status;
}

}  // namespace
}  // namespace tarn_tool

int main(int argc, char** argv) {
  using namespace tarn_tool;
  try {
    const Options options = parse(argc, argv);
    if (options.help) {
      usage(stdout);
      return 0;
    }
    return run(options);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "tarn: %s\n", e.message.c_str());
    usage(stderr);
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tarn: %s\n", e.what());
    return 1;
  }
}

// corvi: a command-line automation host for the Corvi control.
#include <clocale>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "control_host.h"
#include "demo.h"
#include "registration.h"
#include "sim_reader.h"

namespace corvi_tool {
namespace {

using Args = std::span<const std::string>;

constexpr int kMaxDrawSize = 4096;

struct Options {
  bool sim = false;
  bool inside = false;
  std::string card;
  bool help = false;
  std::vector<std::string> command;
};

struct Command {
  const char* name;
  const char* usage;
  const char* help;
  std::size_t min_args, max_args;
  int (*run)(const Options&, Args);
};

std::unique_ptr<SimReader> start_sim(const Options& o) {
  if (!o.sim) return nullptr;
  return std::make_unique<SimReader>(
      o.card.empty() ? readersim::default_bank_card() : readersim::load_card(o.card), o.inside);
}

int registration(Args args, bool install) {
  return update_registration(args.empty() ? CORVI_MODULE : args[0], install);
}

int methods(const Options&, Args) {
  std::printf("%s", automation::describe(ControlHost().type_library()).c_str());
  return 0;
}

// With --sim a method whose one parameter is a port gets the virtual reader's when none is given.
int call(const Options& o, Args args) {
  const auto sim = start_sim(o);
  ControlHost host;
  const automation::MethodInfo& method = host.method(args[0]);
  std::vector<automation::Variant> arguments;
  if (args.size() > 1) {
    arguments.push_back(text_argument(args[1]));
  } else if (sim && method.params.size() == 1 && method.params[0].name == "port") {
    arguments.push_back(text_argument(sim->port()));
  }
  const auto shown = show_result(host.call(method.name, std::move(arguments)));
  if (shown) {
    std::printf("%s\n", shown->c_str());
  } else if (method.result == automation::VarType::Bstr) {
    std::fprintf(stderr, "corvi: %s returned a null string\n", method.name.c_str());
  }
  return 0;
}

int about(const Options&, Args) {
  ControlHost().call("AboutBox");
  return 0;
}

int size_arg(const std::string& text) {
  std::size_t used = 0;
  int value = 0;
  try {
    value = std::stoi(text, &used);
  } catch (const std::exception&) {
  }
  if (used != text.size() || value < 1 || value > kMaxDrawSize)
    throw UsageError{"not a size from 1 to " + std::to_string(kMaxDrawSize) + ": '" + text + "'"};
  return value;
}

int draw(const Options&, Args args) {
  if (args.size() == 2) throw UsageError{"draw takes a width and a height, or neither"};
  framework::Surface surface(args.size() == 3 ? size_arg(args[1]) : 100,
                             args.size() == 3 ? size_arg(args[2]) : 50);
  ControlHost().draw(surface);
  if (!surface.save_ppm(args[0])) throw Failure{"cannot write " + args[0]};
  std::printf("%s: %d x %d\n", args[0].c_str(), surface.width(), surface.height());
  return 0;
}

int demo(const Options& o, Args args) {
  if (o.sim == !args.empty()) throw UsageError{"demo needs --sim or a PORT, not both"};
  const auto sim = start_sim(o);
  return run_demo(sim ? sim->port() : args[0], sim.get());
}

constexpr Command kCommands[] = {
    {"register", "[MODULE]", "register the control module (default: the one built here)", 0, 1,
     [](const Options&, Args a) { return registration(a, true); }},
    {"unregister", "[MODULE]", "remove the module's class and type library registration", 0, 1,
     [](const Options&, Args a) { return registration(a, false); }},
    {"methods", "", "print the control's interface from its type library", 0, 0, methods},
    {"call", "METHOD [ARG]", "create the control and call one method by name", 1, 2, call},
    {"about", "", "show the control's about box", 0, 0, about},
    {"draw", "FILE [W H]", "save what the control draws (PPM image, default 100 x 50)", 1, 3, draw},
    {"demo", "[PORT]", "a kiosk session: card in, stripe, receipt, page out, scan, card out", 0, 1,
     demo},
};

void usage() {
  std::printf(
      "usage: corvi [--sim [--card FILE] [--inside]] COMMAND [ARGS...]\n\n"
      "  --sim         card methods run against the built-in virtual card reader; a\n"
      "                customer inserts the card when the reader waits for one\n"
      "  --card FILE   the customer's card file (JSON; default: a test bank card)\n"
      "  --inside      the card starts inside the reader, at the magnetic head\n\n"
      "commands:\n");
  for (const auto& c : kCommands) std::printf("  %-11s %-13s %s\n", c.name, c.usage, c.help);
  std::printf("\nThe registry is $CORVI_REGISTRY (default ~/.local/share/corvi/registry.reg).\n");
}

Options parse(int argc, char** argv) {
  Options o;
  int i = 1;
  for (; i < argc && std::string_view(argv[i]).starts_with("--"); ++i) {
    const std::string_view flag = argv[i];
    if (flag == "--help") {
      o.help = true;
    } else if (flag == "--sim") {
      o.sim = true;
    } else if (flag == "--inside") {
      o.inside = true;
    } else if (flag == "--card" && i + 1 < argc) {
      o.card = argv[++i];
    } else {
      throw UsageError{"unknown option or missing value: " + std::string(flag)};
    }
  }
  o.command.assign(argv + i, argv + argc);
  if (!o.help && o.command.empty()) throw UsageError{"no command given"};
  if ((!o.card.empty() || o.inside) && !o.sim) throw UsageError{"--card and --inside need --sim"};
  return o;
}

int run(const Options& o) {
  for (const auto& c : kCommands) {
    if (o.command[0] != c.name) continue;
    const Args args = Args(o.command).subspan(1);
    if (args.size() < c.min_args || args.size() > c.max_args)
      throw UsageError{std::string(c.name) + " " + c.usage + ": wrong number of arguments"};
    return c.run(o, args);
  }
  throw UsageError{"unknown command " + o.command[0]};
}

}  // namespace
}  // namespace corvi_tool

int main(int argc, char** argv) {
  using namespace corvi_tool;
  std::setlocale(LC_ALL, "");
  try {
    const Options options = parse(argc, argv);
    if (options.help) {
      usage();
      return 0;
    }
    return run(options);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "corvi: %s\ncorvi: 'corvi --help' lists the commands\n",
                 e.message.c_str());
    return 2;
  } catch (const Failure& e) {
    std::fprintf(stderr, "corvi: %s\n", e.message.c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "corvi: %s\n", e.what());
    return 1;
  }
}

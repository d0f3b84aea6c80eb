// `tarn demo`: a kiosk session, each step printed as it happens.
#include <array>
#include <chrono>
#include <cstdio>
#include <future>
#include <string>
#include <thread>

#include "Tarn_DLL.h"
#include "cli.h"

namespace tarn_tool {
namespace {

const char* position_meaning(unsigned char position) {
  switch (position) {
    case '0':
      return "card held at the gate";
    case '1':
      return "card inside the reader";
    case '2':
      return "card at the IC contacts";
    case '3':
      return "card in the RF field";
    case '5':
      return "no card in the reader";
    default:
      return "other position";
  }
}

void step(const char* text) {
  std::printf("%s\n", text);
  std::fflush(stdout);
}

bool show_position(Session& s) {
  unsigned char position = 0;
  const int r = Tarn_CheckCardPosition(s.port, &position);
  if (r != TARN_OK) return report("card position", r) == 0;
  std::printf("   card position %s: %s\n", describe_byte(position).c_str(),
              position_meaning(position));
  return true;
}

bool enter_card(Session& s) {
  step("1. Waiting for a customer's card (card entry, PM \"1\", up to 30 s)...");
  std::future<void> customer;
  if (s.sim) {
    customer = std::async(std::launch::async, [&s] {
      s.sim->wait_for_entry(std::chrono::seconds(5));
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      std::printf("   [virtual reader] the customer inserts a card\n");
      s.sim->insert_card(s.card);
    });
  }
  const int r = Tarn_EnterCard(s.port, '1', 30000);
  if (customer.valid()) customer.get();
  if (r != TARN_OK) return report("card entry", r) == 0;
  step("   card taken in");
  return true;
}

bool read_stripe(Session& s) {
  step("3. Reading the magnetic stripe (decoded, PM \"1\")...");
  std::array<unsigned char, 512> data{};
  int count = 0;
  const int r = Tarn_ReadMagcardDecode(s.port, '1', &count, data.data());
  if (r != TARN_OK) return report("stripe read", r) == 0;
  std::printf("   %d bytes: %s\n", count,
              hex(std::span(data).first(static_cast<std::size_t>(count))).c_str());
  std::string number;
  for (int i = 2; i < count && data[static_cast<std::size_t>(i)] >= '0' &&
                  data[static_cast<std::size_t>(i)] <= '9';
       ++i)
    number += static_cast<char>(data[static_cast<std::size_t>(i)]);
  std::printf("   card number: %s\n", number.empty() ? "(none)" : number.c_str());
  return true;
}

bool eject(Session& s) {
  step("4. Ejecting the card to the gate (move, PM \"4\")...");
  const int r = Tarn_MoveCard(s.port, '4');
  if (r != TARN_OK) return report("card move", r) == 0;
  if (!show_position(s)) return false;
  if (s.sim) {
    step("   [virtual reader] the customer takes the card");
    s.sim->remove_card();
    return show_position(s);
  }
  return true;
}

// A second customer's social-security card: taken in to the contacts, read, given back.
bool read_social_security(Session& s) {
  step("5. A social-security card: card entry to the IC contacts (PM \"2\")...");
  std::future<void> customer;
  if (s.sim) {
    customer = std::async(std::launch::async, [&s] {
      s.sim->wait_for_entry(std::chrono::seconds(5));
      std::printf("   [virtual reader] the customer inserts a social-security card\n");
      s.sim->insert_card(
          readersim::load_card(readersim::cards_dir() / "social_security_card.json"));
    });
  }
  int r = Tarn_EnterCard(s.port, '2', 30000);
  if (customer.valid()) customer.get();
  if (r != TARN_OK) return report("card entry", r) == 0;
  step("   reading its holder's fields (cold reset, application, EF06, EF05)...");
  std::array<unsigned char, 32> id{}, name{}, number{};
  std::array<unsigned char, 4> regional{}, birth{};
  unsigned char gender = 0, nation = 0;
  r = Tarn_AutoReadSocialSecurityInfoAndCardID(s.port, id.data(), name.data(), &gender, &nation,
                                               regional.data(), birth.data(), number.data());
  if (r != TARN_OK) return report("social-security read", r) == 0;
  std::printf("   card number %.9s, identity number %.18s, name %s, born %02X%02X-%02X-%02X\n",
              reinterpret_cast<const char*>(number.data()),
              reinterpret_cast<const char*>(id.data()), from_gbk(std::span(name).first(30)).c_str(),
              birth[0], birth[1], birth[2], birth[3]);
  if ((r = Tarn_MoveCard(s.port, '4')) != TARN_OK) return report("card move", r) == 0;
  if (s.sim) s.sim->remove_card();
  step("   card given back");
  return true;
}

}  // namespace

int run_demo(Session& s, Args args) {
  if (!args.empty()) throw UsageError{"demo takes no arguments"};
  step("Kiosk session on the card reader");
  if (!show_position(s) || !enter_card(s)) return 1;
  step("2. Where is the card?");
  if (!show_position(s) || !read_stripe(s) || !eject(s)) return 1;
  if (!read_social_security(s)) return 1;
  step("Session complete.");
  return 0;
}

}  // namespace tarn_tool

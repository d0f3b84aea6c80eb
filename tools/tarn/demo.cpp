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

// A customer's card taken in with `pm`; with the virtual reader the customer inserts the card
// of `file` once the entry waits.
bool take_card(Session& s, std::uint8_t pm, const char* file, const char* what) {
  std::future<void> customer;
  if (s.sim) {
    customer = std::async(std::launch::async, [&s, file, what] {
      s.sim->wait_for_entry(std::chrono::seconds(5));
      std::printf("   [virtual reader] the customer inserts %s\n", what);
      s.sim->insert_card(readersim::load_card(readersim::cards_dir() / file));
    });
  }
  const int r = Tarn_EnterCard(s.port, pm, 30000);
  if (customer.valid()) customer.get();
  return r == TARN_OK || report("card entry", r) == 0;
}

bool give_back(Session& s) {
  if (const int r = Tarn_MoveCard(s.port, '4')) return report("card move", r) == 0;
  if (s.sim) s.sim->remove_card();
  step("   card given back");
  return true;
}

// A loyalty card on an SLE4442: its holder's name, then one more visit counted behind the PSC.
bool count_visit(Session& s) {
  step("6. A loyalty card (SLE4442): card entry to the IC contacts (PM \"2\")...");
  if (!take_card(s, '2', "sle4442_card.json", "a loyalty card")) return false;
  const unsigned char psc[] = {0xFF, 0xFF, 0xFF};
  std::array<unsigned char, 12> name{};
  unsigned char visits = 0;
  int r = Tarn_SLE4442Reset(s.port);
  if (r == TARN_OK) r = Tarn_SLE4442Read(s.port, 0x20, 12, name.data());
  if (r == TARN_OK) r = Tarn_SLE4442Read(s.port, 0x40, 1, &visits);
  if (r != TARN_OK) return report("loyalty card read", r) == 0;
  visits = visits == 0xFF ? 1 : static_cast<unsigned char>(visits + 1);
  std::printf("   card holder %.12s; presenting the PSC and counting visit %u\n",
              reinterpret_cast<const char*>(name.data()), visits);
  r = Tarn_SLE4442VerifyPWD(s.port, psc);
  if (r == TARN_OK) r = Tarn_SLE4442Write(s.port, 0x40, 1, &visits);
  if (r == TARN_OK) r = Tarn_SLE4442Read(s.port, 0x40, 1, &visits);
  if (r != TARN_OK) return report("loyalty card write", r) == 0;
  std::printf("   the card now holds %u visit(s)\n", visits);
  return give_back(s);
}

std::int32_t value_of(const unsigned char* block) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(block[0]) | block[1] << 8 |
                                   block[2] << 16 | static_cast<std::uint32_t>(block[3]) << 24);
}

// A transit card (Mifare S50): its balance in the value block 4 of sector 1, less one fare.
bool pay_fare(Session& s) {
  step("7. A transit card (Mifare S50): card entry to the antenna (PM \"3\")...");
  if (!take_card(s, '3', "mifare_s50_card.json", "a transit card")) return false;
  const unsigned char key_a[] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
  const unsigned char fare[] = {10, 0, 0, 0};
  std::array<unsigned char, 4> id{};
  std::array<unsigned char, 16> before{}, after{};
  int r = Tarn_S50DetectCard(s.port);
  if (r == TARN_OK) r = Tarn_S50GetCardID(s.port, id.data());
  if (r == TARN_OK) r = Tarn_S50LoadSecKey(s.port, 'A', 1, key_a);
  if (r == TARN_OK) r = Tarn_S50ReadBlock(s.port, 4, before.data());
  if (r == TARN_OK) r = Tarn_S50Decrement(s.port, 4, fare);
  if (r == TARN_OK) r = Tarn_S50ReadBlock(s.port, 4, after.data());
  if (r == TARN_OK) r = Tarn_S50Halt(s.port);
  if (r != TARN_OK) return report("transit card", r) == 0;
  std::printf("   card %s: balance %d, fare 10, new balance %d\n", hex(id).c_str(),
              value_of(before.data()), value_of(after.data()));
  return give_back(s);
}

}  // namespace

int run_demo(Session& s, Args args) {
  if (!args.empty()) throw UsageError{"demo takes no arguments"};
  step("Kiosk session on the card reader");
  if (!show_position(s) || !enter_card(s)) return 1;
  step("2. Where is the card?");
  if (!show_position(s) || !read_stripe(s) || !eject(s)) return 1;
  if (!read_social_security(s)) return 1;
  if (!count_visit(s) || !pay_fare(s)) return 1;
  if (!run_online_payment(s)) return 1;
  step("Session complete.");
  return 0;
}

}  // namespace tarn_tool

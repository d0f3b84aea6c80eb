// libFerro.so exports exactly its nine entry points, and they work through the shared library.
#include <gmock/gmock.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "test_card.h"

namespace ferro_test {
namespace {

std::vector<std::string> defined_dynamic_symbols(const std::string& library) {
  const std::string command = std::string(NM_PROGRAM) + " -D --defined-only " + library;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::vector<std::string> names;
  if (!pipe) return names;
  char line[512];
  while (std::fgets(line, sizeof line, pipe.get()) != nullptr) {
    std::istringstream fields(line);
    std::string address, type, name;
    if (fields >> address >> type >> name) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> export_list() {
  std::ifstream list(EXPORT_LIST);
  std::vector<std::string> names;
  for (std::string name; std::getline(list, name);) {
    if (!name.empty()) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(ExportsTest, DynamicSymbolTableHoldsExactlyTheNineNames) {
  const std::vector<std::string> expected = {
      "pboc_arqcexeicscript", "pboc_electronicbalance", "pboc_genarqc",
      "pboc_get55data",       "pboc_geticinformation",  "pboc_gettagvalue",
      "pboc_gettraderecord",  "pboc_readiccardNum",     "pboc_setcallback"};
  EXPECT_EQ(export_list(), expected);
  EXPECT_EQ(defined_dynamic_symbols(FERRO_LIBRARY), expected);
}

TEST(ExportsTest, CardNumberThroughTheSharedLibrary) {
  TestCard card;
  pboc_card::load(card);
  card.install();
  unsigned char track2[36];
  int track2_len = 0;
  ASSERT_EQ(pboc_readiccardNum(&track2_len, track2), 0);
  EXPECT_EQ(to_hex(track2, track2_len), to_hex(pboc_card::kTrack2));
  EXPECT_EQ(card.trace.front().text,
            "lpszCallBackName [pboc_poweron], Dll Version = [Ferro v201901151722]");
  EXPECT_EQ(pboc_gettagvalue(0, 0, 0), 0);
}

}  // namespace
}  // namespace ferro_test

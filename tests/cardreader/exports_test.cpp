// The shared library's dynamic symbol table holds exactly the reader commands' 163 names.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>

namespace {

std::set<std::string> lines_of(std::FILE* in) {
  std::set<std::string> names;
  char line[512];
  while (std::fgets(line, sizeof line, in)) {
    std::string name(line);
    while (!name.empty() && (name.back() == '\n' || name.back() == ' ')) name.pop_back();
    if (!name.empty()) names.insert(name.substr(name.rfind(' ') + 1));
  }
  return names;
}

std::set<std::string> exported_names() {
  const std::string command = "nm -D --defined-only " TARN_DLL_PATH;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return {};
  auto names = lines_of(pipe);
  pclose(pipe);
  return names;
}

std::set<std::string> allowed_names() {
  std::FILE* file = std::fopen(TARN_EXPORTS_LIST, "r");
  if (!file) return {};
  auto names = lines_of(file);
  std::fclose(file);
  return names;
}

TEST(Exports, ExactlyTheCommandNamesAreExported) {
  const auto exported = exported_names();
  const auto allowed = allowed_names();
  ASSERT_EQ(allowed.size(), 163u);
  ASSERT_FALSE(exported.empty());
  for (const auto& name : exported) EXPECT_TRUE(allowed.count(name)) << "extra: " << name;
  for (const auto& name : allowed) EXPECT_TRUE(exported.count(name)) << "missing: " << name;
  EXPECT_EQ(exported.size(), 163u);
}

TEST(Exports, ReaderAndLinkCommandsArePresent) {
  const auto exported = exported_names();
  for (const char* name : {"Tarn_CommOpen",
                           "Tarn_CommOpenWithBaud",
                           "Tarn_CommClose",
                           "Tarn_SetCommBaud",
                           "Tarn_Reset",
                           "Tarn_CheckCardPosition",
                           "Tarn_CheckSensorStates",
                           "Tarn_CheckSensorVoltage",
                           "Tarn_EnterCard",
                           "Tarn_EnterCardUntime",
                           "Tarn_MoveCard",
                           "Tarn_AutoTestICCard",
                           "Tarn_AutoTestRFIDCard",
                           "Tarn_PowerOn",
                           "Tarn_IcCardPowerOn",
                           "Tarn_PowerOff",
                           "Tarn_IcCardPowerOff",
                           "Tarn_Led1Control",
                           "Tarn_Led2Control",
                           "Tarn_SetLedFlickerRate",
                           "Tarn_ReadMagcardDecode",
                           "Tarn_ReadMagcardUNDecode",
                           "Tarn_ClearMagCardData",
                           "Tarn_ReadBarcode",
                           "Tarn_GetMachineIDNum",
                           "Tarn_SetMachineIDNum",
                           "Tarn_ReadRetainCount",
                           "Tarn_ClearRetainCount",
                           "Tarn_IccEnableExtIO",
                           "Tarn_GetSysVerion",
                           "Tarn_Eot",
                           "Tarn_TestCmd"})
    EXPECT_TRUE(exported.count(name)) << name;
}

}  // namespace

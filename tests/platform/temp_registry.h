// A fresh folder per test, and CORVI_REGISTRY pointing at a registry file inside it.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class TempRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "platform-test.XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    registry_ = (dir_ / "corvi" / "registry.reg").string();
    ::setenv("CORVI_REGISTRY", registry_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("CORVI_REGISTRY");
    std::filesystem::remove_all(dir_);
  }

  static std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  std::filesystem::path dir_;
  std::string registry_;
};

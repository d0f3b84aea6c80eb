#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "registry/reg_text.h"
#include "registry/store.h"
#include "temp_registry.h"

namespace {

using registry::Key;
using registry::Store;

Key sample_tree() {
  Key root;
  Key* clsid = root.create("CLSID\\{3A7C1E52-6B90-4F1D-A2C4-7E0D95B3F618}");
  clsid->set("", std::string("Corvi Control"));
  clsid->create("Control");
  clsid->create("InprocServer32")->set("ThreadingModel", std::string("Apartment"));
  clsid->create("MiscStatus\\1")->set("", std::string("131473"));
  root.create("Component Categories\\{7DD95801-9882-11CF-9FA9-00AA006C42C4}")
      ->set("409", std::string("Controls   that   are   safely   scriptable "));
  Key* odd = root.create("Odd");
  odd->set("quote\"and\\slash", std::string("C:\\dir \"x\"\nline two\r"));
  odd->set("count", std::uint32_t{0xDEADBEEF});
  odd->set("@", std::string("named at-sign, not the default"));
  odd->set("wide", std::string("常规"));
  return root;
}

TEST(RegistryKey, NamesIgnoreCaseAndKeepTheirSpelling) {
  Key root;
  root.create("CLSID\\{ABC}")->set("ProgID", std::string("X.Y.1"));
  ASSERT_NE(root.find_string("clsid\\{abc}", "progid"), nullptr);
  EXPECT_EQ(*root.find_string("clsid\\{abc}", "progid"), "X.Y.1");
  EXPECT_EQ(root.subkeys().begin()->first, "CLSID");
  EXPECT_EQ(root.create("a\\\\b"), nullptr);
  EXPECT_EQ(root.find("CLSID\\"), nullptr);
  EXPECT_TRUE(root.remove("Clsid\\{abc}"));
  EXPECT_TRUE(root.find("CLSID")->empty());
  EXPECT_FALSE(root.remove("CLSID\\{abc}"));
}

TEST(RegistryText, RoundTripKeepsEveryKeyAndValue) {
  const Key tree = sample_tree();
  const std::string text = registry::format(tree);
  Key parsed;
  ASSERT_TRUE(registry::parse(text, parsed).ok()) << text;
  EXPECT_EQ(parsed, tree);
  EXPECT_EQ(registry::format(parsed), text);
  EXPECT_NE(
      text.find("[HKEY_CLASSES_ROOT\\CLSID\\{3A7C1E52-6B90-4F1D-A2C4-7E0D95B3F618}\\Control]"),
      std::string::npos);
  EXPECT_NE(text.find("\"count\"=dword:deadbeef"), std::string::npos);
}

TEST(RegistryText, AcceptsCommentsBlankLinesCrLfAndBom) {
  Key parsed;
  const auto status = registry::parse(
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n; a comment\r\n"
      "[hkey_classes_root\\A]\r\n  @ = \"x\"  \r\n",
      parsed);
  ASSERT_TRUE(status.ok()) << status.error;
  EXPECT_EQ(*parsed.find_string("A"), "x");
  EXPECT_TRUE(registry::parse("  \n\n", parsed).ok());
}

TEST(RegistryText, RejectsMalformedTextWithTheLine) {
  const std::string header = "Windows Registry Editor Version 5.00\n";
  const struct {
    std::string text;
    std::string error;
  } cases[] = {
      {"REGEDIT4\n", "line 1: not a registry file"},
      {header + "\"a\"=\"b\"\n", "line 2: value outside a key"},
      {header + "[HKEY_LOCAL_MACHINE\\A]\n", "line 2: key outside HKEY_CLASSES_ROOT"},
      {header + "[-HKEY_CLASSES_ROOT\\A]\n", "line 2: key outside"},
      {header + "[HKEY_CLASSES_ROOT\\A\n", "line 2: unterminated key name"},
      {header + "[HKEY_CLASSES_ROOT\\A\\\\B]\n", "line 2: empty key name"},
      {header + "[HKEY_CLASSES_ROOT\\]\n", "line 2: empty key name"},
      {header + "[HKEY_CLASSES_ROOT\\A]\n\"a\"=\"b\n", "line 3: unterminated string"},
      {header + "[HKEY_CLASSES_ROOT\\A]\n\"a\"=\"\\t\"\n", "line 3: unknown escape \\t"},
      {header + "[HKEY_CLASSES_ROOT\\A]\n\"a\"=\"b\" junk\n", "line 3: unexpected text"},
      {header + "[HKEY_CLASSES_ROOT\\A]\n\"a\"=hex:01,02\n", "line 3: unsupported value type"},
      {header + "[HKEY_CLASSES_ROOT\\A]\n\"a\"=dword:123456789\n", "line 3: bad dword"},
      {header + "[HKEY_CLASSES_ROOT\\A]\n\"a\"=dword:xyz\n", "line 3: bad dword"},
      {header + "[HKEY_CLASSES_ROOT\\A]\n\"a\" \"b\"\n", "line 3: expected '='"},
      {header + "[HKEY_CLASSES_ROOT\\A]\nname=\"b\"\n", "line 3: expected a quoted string"},
  };
  for (const auto& c : cases) {
    Key parsed;
    const auto status = registry::parse(c.text, parsed);
    EXPECT_NE(status.error.find(c.error), std::string::npos) << c.text << " -> " << status.error;
  }
}

TEST(RegistryText, RefusesKeysNestedBeyondTheLimit) {
  std::string path = "[HKEY_CLASSES_ROOT";
  for (int i = 0; i <= registry::kMaxKeyDepth; ++i) path += "\\k";
  Key parsed;
  const auto status =
      registry::parse("Windows Registry Editor Version 5.00\n" + path + "]\n", parsed);
  EXPECT_NE(status.error.find("nested too deeply"), std::string::npos);
}

TEST(RegistryLocation, FollowsTheEnvironment) {
  ::setenv("CORVI_REGISTRY", "/x/r.reg", 1);
  EXPECT_EQ(registry::default_location(), "/x/r.reg");
  ::setenv("CORVI_REGISTRY", "", 1);
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(registry::default_location(), "/home/someone/.local/share/corvi/registry.reg");
  ::unsetenv("CORVI_REGISTRY");
}

using RegistryStore = TempRegistry;

TEST_F(RegistryStore, MissingFileIsAnEmptyRegistry) {
  Key root;
  EXPECT_TRUE(Store(registry_).read(root).ok());
  EXPECT_TRUE(root.empty());
}

TEST_F(RegistryStore, UpdateWritesTheWholeTreeAndLeavesNoTemporaryFile) {
  const Store store = Store::at_default_location();
  ASSERT_EQ(store.path(), registry_);
  ASSERT_TRUE(store.update([](Key& root) { root = sample_tree(); }).ok());
  ASSERT_TRUE(store.update([](Key& root) { root.create("Second"); }).ok());
  Key expected = sample_tree();
  expected.create("Second");
  Key root;
  ASSERT_TRUE(store.read(root).ok());
  EXPECT_EQ(root, expected);
  std::set<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir_ / "corvi")) {
    files.insert(entry.path().filename().string());
  }
  EXPECT_EQ(files, (std::set<std::string>{"registry.reg", "registry.reg.lock"}));
}

TEST_F(RegistryStore, CorruptFileIsReportedAndNeverOverwritten) {
  std::filesystem::create_directories(dir_ / "corvi");
  std::ofstream(registry_) << "Windows Registry Editor Version 5.00\n\"stray\"=\"value\"\n";
  const Store store(registry_);
  Key root;
  const auto read = store.read(root);
  EXPECT_NE(read.error.find("registry file " + registry_ + " is corrupt: line 2"),
            std::string::npos)
      << read.error;
  bool changed = false;
  EXPECT_FALSE(store.update([&](Key&) { changed = true; }).ok());
  EXPECT_FALSE(changed);
  EXPECT_EQ(slurp(registry_), "Windows Registry Editor Version 5.00\n\"stray\"=\"value\"\n");
}

TEST_F(RegistryStore, LocationThatCannotBeCreatedGivesAnError) {
  std::ofstream(dir_ / "plain-file") << "x";
  const Store store((dir_ / "plain-file" / "registry.reg").string());
  const auto status = store.update([](Key& root) { root.create("A"); });
  EXPECT_NE(status.error.find("cannot create the registry folder"), std::string::npos)
      << status.error;
  EXPECT_FALSE(store.check_writable().ok());
  EXPECT_TRUE(Store(registry_).check_writable().ok());
}

// A write that fails half-way (here: the file size limit, which binds root too) must leave the
// old registry exactly as it was and no temporary file behind.
TEST_F(RegistryStore, FailedWriteLeavesTheOldFileIntact) {
  const Store store(registry_);
  ASSERT_TRUE(
      store.update([](Key& root) { root.create("Old")->set("", std::string("kept")); }).ok());
  const std::string before = slurp(registry_);

  ::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const auto status =
      store.update([](Key& root) { root.create("Big")->set("", std::string(10000, 'x')); });
  ::setrlimit(RLIMIT_FSIZE, &saved);

  EXPECT_NE(status.error.find("cannot write"), std::string::npos) << status.error;
  EXPECT_EQ(slurp(registry_), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_ / "corvi"),
                          std::filesystem::directory_iterator{}),
            2);
}

// Writers in several processes at once: the lock must keep every one's change.
TEST_F(RegistryStore, ConcurrentWritersLoseNothing) {
  constexpr int kWriters = 4;
  constexpr int kUpdates = 20;
  for (int w = 0; w < kWriters; ++w) {
    if (::fork() == 0) {
      bool ok = true;
      for (int u = 0; u < kUpdates; ++u) {
        ok &= Store(registry_)
                  .update([&](Key& root) {
                    root.create("W" + std::to_string(w))->set(std::to_string(u), std::uint32_t(u));
                  })
                  .ok();
      }
      ::_exit(ok ? 0 : 1);
    }
  }
  for (int w = 0; w < kWriters; ++w) {
    int status = 0;
    ::wait(&status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  Key root;
  ASSERT_TRUE(Store(registry_).read(root).ok());
  for (int w = 0; w < kWriters; ++w) {
    EXPECT_EQ(root.find("W" + std::to_string(w))->values().size(), std::size_t{kUpdates});
  }
}

}  // namespace

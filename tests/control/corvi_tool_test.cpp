// The corvi host as a user runs it: registration, the interface listing, calls by name, the
// virtual reader, and the kiosk demo, each in a registry and printer folder of the test's own.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

class CorviTool : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvi-tool.XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    ::setenv("CORVI_REGISTRY", (dir_ / "registry.reg").c_str(), 1);
    ::setenv("RKPRINTER_DIR", (dir_ / "printer").c_str(), 1);
    ::setenv("TARN_DRIVE_D", (dir_ / "no-drive").c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("CORVI_REGISTRY");
    ::unsetenv("RKPRINTER_DIR");
    std::filesystem::remove_all(dir_);
  }

  Outcome corvi(const std::string& arguments) const {
    const auto err = dir_ / "stderr";
    const std::string command = std::string(CORVI_TOOL) + " " + arguments + " 2>" + err.string();
    Outcome run{-1, "", ""};
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
      run.out.append(buffer, n);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(err);
    std::ostringstream text;
    text << in.rdbuf();
    run.err = text.str();
    return run;
  }

  std::filesystem::path dir_;
};

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST_F(CorviTool, RegisterListCallAndUnregister) {
  ASSERT_EQ(corvi("register").status, 0);
  const Outcome methods = corvi("methods");
  EXPECT_EQ(methods.status, 0);
  for (const char* line :
       {"[id(-552)] void AboutBox()", "[id(4)] unsigned char EnterCard(BSTR port)",
        "[id(5)] unsigned char MoveCard(BSTR port)", "[id(6)] BSTR ReadMagcard(BSTR port)",
        "[id(7)] unsigned char PrintData(BSTR data)", "[id(8)] BSTR GetOcxVersion()",
        "[id(10)] unsigned long AutoPageUnload()"})
    EXPECT_TRUE(contains(methods.out, line)) << line << "\n" << methods.out;

  const Outcome version = corvi("call GetOcxVersion");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "1.0.0.4\n");
  EXPECT_EQ(corvi("call autopageload").out, "1\n") << "names in any case, numbers in decimal";

  ASSERT_EQ(corvi("unregister").status, 0);
  const Outcome gone = corvi("call GetOcxVersion");
  EXPECT_EQ(gone.status, 1);
  EXPECT_TRUE(contains(gone.err, "run 'corvi register' first")) << gone.err;
}

TEST_F(CorviTool, RegistrationFailureSaysWhyAndLeavesNothing) {
  std::ofstream(dir_ / "file") << "x";
  ::setenv("CORVI_REGISTRY", (dir_ / "file" / "registry.reg").c_str(), 1);
  const Outcome run = corvi("register");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(contains(run.err, "SELFREG_E_TYPELIB (0x80040200)")) << run.err;
  EXPECT_TRUE(contains(run.err, "cannot create the registry folder")) << run.err;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_),
                          std::filesystem::directory_iterator{}),
            2)
      << "only the file and the captured stderr";
}

TEST_F(CorviTool, CardMethodsOnTheVirtualReader) {
  ASSERT_EQ(corvi("register").status, 0);
  const struct {
    const char* arguments;
    const char* out;
  } cases[] = {
      {"--sim call EnterCard", "0x30 \"0\"\n"},
      {"--sim call ReadMagcard", "无卡\n"},
      {"--sim --inside call ReadMagcard", "6212340000000000012\n"},
      {"--sim --inside call MoveCard", "0x30 \"0\"\n"},
      {"--sim call MoveCard /nonexistent/ttyS9", "0x31 \"1\"\n"},
  };
  for (const auto& c : cases) {
    const Outcome run = corvi(c.arguments);
    EXPECT_EQ(run.status, 0) << c.arguments << "\n" << run.err;
    EXPECT_TRUE(run.out.ends_with(c.out)) << c.arguments << "\n" << run.out << run.err;
  }
  const Outcome null_string = corvi("call ReadMagcard /nonexistent/ttyS9");
  EXPECT_EQ(null_string.out, "");
  EXPECT_TRUE(contains(null_string.err, "ReadMagcard returned a null string"));
}

TEST_F(CorviTool, MessageBoxesGoToStderr) {
  ASSERT_EQ(corvi("register").status, 0);
  ::setenv("RKPRINTER_FAIL", "printer", 1);
  const Outcome run = corvi("call PrintData receipt");
  ::unsetenv("RKPRINTER_FAIL");
  EXPECT_EQ(run.out, "0x00\n");
  EXPECT_EQ(run.err, "[Corvi] 打开打印机失败\n");
}

TEST_F(CorviTool, KioskDemo) {
  ASSERT_EQ(corvi("register").status, 0);
  const Outcome run = corvi("--sim demo");
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  for (const char* step :
       {"EnterCard -> 0x30 \"0\"", "ReadMagcard -> 6212340000000000012", "PrintData -> 0x01",
        "AutoPageUnload -> 1", "TurnOnScanner -> KIOSK-DOC-0001", "MoveCard -> 0x30 \"0\"",
        "Session complete."})
    EXPECT_TRUE(contains(run.out, step)) << step << "\n" << run.out;
  std::ifstream spool(dir_ / "printer" / "spool.txt");
  std::string first;
  std::getline(spool, first);
  EXPECT_EQ(first, "CORVI KIOSK RECEIPT");
}

TEST_F(CorviTool, CommandLineMistakes) {
  for (const char* arguments : {"", "frobnicate", "call", "--card x.json call OcxTest",
                                "draw out.ppm 10", "draw out.ppm 0 10", "demo"}) {
    const Outcome run = corvi(arguments);
    EXPECT_EQ(run.status, 2) << arguments;
    EXPECT_TRUE(contains(run.err, "corvi --help")) << arguments << "\n" << run.err;
  }
}

TEST_F(CorviTool, DrawsThePlaceholder) {
  ASSERT_EQ(corvi("register").status, 0);
  const auto image = dir_ / "control.ppm";
  ASSERT_EQ(corvi("draw " + image.string() + " 40 20").status, 0);
  std::ifstream in(image, std::ios::binary);
  std::string magic, size;
  in >> magic;
  std::getline(in >> std::ws, size);
  EXPECT_EQ(magic, "P6");
  EXPECT_EQ(size, "40 20");
}

}  // namespace

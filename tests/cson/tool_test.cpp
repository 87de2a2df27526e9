// The cson command-line tool, run as translators and modders run it.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int exitCode;
  std::string out;
  std::string err;
};

class CsonTool : public ::testing::Test {
 protected:
  fs::path dir;

  void SetUp() override {
    if (std::string(CSON_TOOL_PATH).empty()) {
      GTEST_SKIP() << "the cson tool is not built";
    }
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::temp_directory_path() /
          ("cson-tool-" + std::string(info->name()) + "-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    if (!dir.empty()) {
      fs::remove_all(dir);
    }
  }

  std::string Put(const std::string& name, const std::string& bytes) const {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    return (dir / name).string();
  }

  std::string Slurp(const fs::path& path) const {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // Runs the tool in the test folder with the given arguments (already shell-quoted).
  ToolRun Tool(const std::string& args, const std::string& stdinFile = "/dev/null") const {
    std::string command = "cd '" + dir.string() + "' && '" CSON_TOOL_PATH "' " + args + " <'" +
                          stdinFile + "' >out.txt 2>err.txt";
    int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(dir / "out.txt"),
            Slurp(dir / "err.txt")};
  }
};

TEST_F(CsonTool, CheckReportsEachFailingFile) {
  Put("good.cson", "a: 1\nb: [1, 2]");
  Put("bad.cson", "a: 1\nb: [1, 2");
  Put("tabs.cson", "a:\n\tb: 1");
  ToolRun run = Tool("check good.cson bad.cson tabs.cson");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "bad.cson:2:9: error: Expected ',' or ']' in inline array [UnexpectedCharacter]\n"
            "tabs.cson:2:1: error: Tabs are not allowed in indentation [TabIndentation]\n");
  EXPECT_EQ(Tool("check good.cson").exitCode, 0);
}

TEST_F(CsonTool, CheckEmptyMessageAndStandardInput) {
  std::string input = Put("in.cson", "x: \"abc\\");
  ToolRun run = Tool("check -", input);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "-:1:9: error:  [UnterminatedString]\n");
}

TEST_F(CsonTool, UsageAndUnreadableFilesExitTwo) {
  const char* usages[] = {"", "check", "json", "json a b", "format --sort-keys", "frobnicate x"};
  for (const char* args : usages) {
    SCOPED_TRACE(args);
    ToolRun run = Tool(args);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("usage"), std::string::npos);
  }
  Put("bad.cson", "[");
  ToolRun run = Tool("check missing.cson bad.cson");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("missing.cson: Failed to open file"), std::string::npos);
  EXPECT_NE(run.err.find("bad.cson:1:2: error:"), std::string::npos)
      << "the other files are still checked";
}

TEST_F(CsonTool, JsonIsSortedExactAndEscaped) {
  Put("doc.cson",
      "z: [1, -0.5, 1e308, 0.1, 12345678901234567890, -0]\n"
      "a: {b: true, a: null}\n"
      "s: \"q\\\"b\\\\ \\u0000 \\u001f \\t \xC3\xA9\"\n"
      "B: 'x'\n");
  ToolRun run = Tool("json doc.cson");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out,
            "{\"B\":\"x\",\"a\":{\"a\":null,\"b\":true},\"s\":\"q\\\"b\\\\ \\u0000 \\u001f \\t "
            "\xC3\xA9\","
            "\"z\":[1,-0.5,1e+308,0.1,12345678901234567168,-0]}\n");
  Put("bad.cson", "a: 1 2");
  ToolRun bad = Tool("json bad.cson");
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_EQ(bad.out, "");
  EXPECT_EQ(
      bad.err,
      "bad.cson:1:6: error: Trailing characters after top-level value [UnexpectedCharacter]\n");
}

TEST_F(CsonTool, FormatPrintsTheWriterText) {
  Put("doc.cson", "b: [1,2,3,4]\na:   {y: 'two words', x: 1}\n");
  ToolRun run = Tool("format --sort-keys doc.cson");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(
      run.out,
      "a: \n  x: 1.0\n  y: \"two words\"\nb: \n  [\n    1.0\n    2.0\n    3.0\n    4.0\n  ]\n");
}

// JSON has no infinity: "1e999" used to come out as Infinity with exit code 0. Now it is an error
// at the number's place, for json and format alike, and nothing is printed on standard output.
// Look-alikes in strings, comments and identifiers are not taken for the number.
TEST_F(CsonTool, NumbersTooLargeForADoubleAreErrorsAtTheirPlace) {
  struct Case {
    const char* name;
    std::string text;
    const char* place;
  };
  const Case cases[] = {
      {"block member", "a: 1\nn: 1e999", "2:4"},
      {"negative in an inline list", "list: [1, 2, -1e400]", "1:14"},
      {"after look-alikes",
       "s: \"1e999\"\nt: '2e999'\nu: \"\"\"3e999\"\"\"\n# 4e999\nid-5e999: 1\nn: [\n  6e999\n]",
       "7:3"},
      {"exponent with a plus", "x: {y: +9E+999}", "1:8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Put("inf.cson", c.text);
    for (const char* command : {"json inf.cson", "format inf.cson"}) {
      SCOPED_TRACE(command);
      ToolRun run = Tool(command);
      EXPECT_EQ(run.exitCode, 1);
      EXPECT_EQ(run.out, "");
      EXPECT_EQ(run.err, std::string("inf.cson:") + c.place +
                             ": error: Non-finite number value [InvalidNumber]\n");
    }
  }
  std::string input = Put("in.cson", "a: 1\nb: 1e999");
  ToolRun piped = Tool("json -", input);
  EXPECT_EQ(piped.exitCode, 1);
  EXPECT_EQ(piped.err, "-:2:4: error: Non-finite number value [InvalidNumber]\n");
}

// "cson check FOLDER" aborted the sanitizer build: the folder's size probe asked for 2^63 bytes.
TEST_F(CsonTool, AFolderIsAnUnreadableFile) {
  fs::create_directories(dir / "folder.cson");
  ToolRun run = Tool("check folder.cson");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.err, "cson: folder.cson: Not a regular file\n");
}

}  // namespace

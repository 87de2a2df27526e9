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

    void SetUp() override
    {
        if (std::string(CSON_TOOL_PATH).empty()) {
            GTEST_SKIP() << "the cson tool is not built";
        }
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() /
              ("cson-tool-" + std::string(info->name()) + "-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        if (!dir.empty()) {
            fs::remove_all(dir);
        }
    }

    std::string Put(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return (dir / name).string();
    }

    std::string Slurp(const fs::path& path) const
    {
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

TEST_F(CsonTool, CheckReportsEachFailingFile)
{
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

TEST_F(CsonTool, CheckEmptyMessageAndStandardInput)
{
    std::string input = Put("in.cson", "x: \"abc\\");
    ToolRun run = Tool("check -", input);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "-:1:9: error:  [UnterminatedString]\n");
}

TEST_F(CsonTool, UsageAndUnreadableFilesExitTwo)
{
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
    EXPECT_NE(run.err.find("bad.cson:1:2: error:"), std::string::npos) << "the other files are still checked";
}

TEST_F(CsonTool, JsonIsSortedExactAndEscaped)
{
    Put("doc.cson",
        "z: [1, -0.5, 1e999, -1e999, 0.1, 12345678901234567890, -0]\n"
        "a: {b: true, a: null}\n"
        "s: \"q\\\"b\\\\ \\u0000 \\u001f \\t \xC3\xA9\"\n"
        "B: 'x'\n");
    ToolRun run = Tool("json doc.cson");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out,
              "{\"B\":\"x\",\"a\":{\"a\":null,\"b\":true},\"s\":\"q\\\"b\\\\ \\u0000 \\u001f \\t "
              "\xC3\xA9\","
              "\"z\":[1,-0.5,Infinity,-Infinity,0.1,12345678901234567168,-0]}\n");
    Put("bad.cson", "a: 1 2");
    ToolRun bad = Tool("json bad.cson");
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err, "bad.cson:1:6: error: Trailing characters after top-level value [UnexpectedCharacter]\n");
}

TEST_F(CsonTool, FormatPrintsTheWriterText)
{
    Put("doc.cson", "b: [1,2,3,4]\na:   {y: 'two words', x: 1}\n");
    ToolRun run = Tool("format --sort-keys doc.cson");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "a: \n  x: 1.0\n  y: \"two words\"\nb: \n  [\n    1.0\n    2.0\n    3.0\n    4.0\n  ]\n");
    Put("inf.cson", "n: 1e999");
    ToolRun refused = Tool("format inf.cson");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "inf.cson:1:1: error: Non-finite number value [InvalidNumber]\n");
}

} // namespace

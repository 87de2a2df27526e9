// Whole-file reading and writing, and the Value operations the game relies on.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <variant>

#include <sys/stat.h>
#include <unistd.h>

#include "test_util.h"

namespace {

using namespace csontest;
using zokCSON::Error;
using zokCSON::ErrorCode;
using zokCSON::WriteOptions;
namespace fs = std::filesystem;

// A fresh folder per test, removed afterwards.
class CsonFiles : public ::testing::Test {
 protected:
  fs::path dir;

  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::temp_directory_path() /
          ("cson-files-" + std::string(info->name()) + "-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string Path(const std::string& name) const { return (dir / name).string(); }

  void Put(const std::string& name, const std::string& bytes) const {
    std::ofstream(dir / name, std::ios::binary) << bytes;
  }

  std::string Get(const std::string& name) const {
    std::ifstream in(dir / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(CsonFiles, MissingFileLeavesValueAlone) {
  Value out = "old";
  Error error;
  EXPECT_EQ(zokCSON::ParseFile(Path("nothing.cson"), out, &error), ErrorCode::IoError);
  EXPECT_EQ(error.message, "Failed to open file");
  EXPECT_EQ(error.line, 1u);
  EXPECT_EQ(error.column, 1u);
  EXPECT_EQ(out, Value("old"));
}

// Only regular files are read. A folder on ext4 opens and then reports the largest offset as its
// size, which asked for a buffer of 2^63 bytes; a named pipe blocked the open. The folder lives in
// the working folder (the build folder, on a real disk): the scratch folder may be a tmpfs, where
// the size probe already failed.
// A failure names the file it concerns; a text in memory has none, and success clears it.
TEST_F(CsonFiles, ErrorsNameTheirFile) {
  Put("bad.cson", "a: 1\nb: [1,\n  2 3]\n");
  Value out;
  Error error;
  EXPECT_EQ(zokCSON::ParseFile(Path("bad.cson"), out, &error), ErrorCode::UnexpectedCharacter);
  EXPECT_EQ(error.file, Path("bad.cson"));
  EXPECT_EQ(error.line, 3u);
  EXPECT_EQ(error.column, 5u);

  std::string text;
  EXPECT_EQ(zokCSON::ReadFileText(Path("none.cson"), text, &error), ErrorCode::IoError);
  EXPECT_EQ(error.file, Path("none.cson"));
  EXPECT_FALSE(zokCSON::WriteFile(Path("no/such/folder.cson"), Value(1), {}, &error));
  EXPECT_EQ(error.file, Path("no/such/folder.cson"));

  EXPECT_EQ(zokCSON::ParseText("[1 2]", out, &error), ErrorCode::UnexpectedCharacter);
  EXPECT_EQ(error.file, "");
  Put("good.cson", "a: 1\n");
  EXPECT_EQ(zokCSON::ParseFile(Path("good.cson"), out, &error), ErrorCode::Ok);
  EXPECT_EQ(error.file, "");
}

TEST_F(CsonFiles, AnythingButARegularFileIsRefusedUnread) {
  const fs::path onDisk = fs::current_path() / ("cson-folder-" + std::to_string(::getpid()));
  fs::create_directories(onDisk);
  ASSERT_EQ(::mkfifo(Path("pipe.cson").c_str(), 0600), 0);
  struct Case {
    const char* name;
    std::string path;
  };
  const Case cases[] = {
      {"folder on the build disk", onDisk.string()},
      {"folder in the scratch folder", dir.string()},
      {"named pipe", Path("pipe.cson")},
      {"character device", "/dev/null"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Value out = "old";
    Error error;
    EXPECT_EQ(zokCSON::ParseFile(c.path, out, &error), ErrorCode::IoError);
    EXPECT_EQ(error.message, "Not a regular file");
    EXPECT_EQ(error.line, 1u);
    EXPECT_EQ(error.column, 1u);
    EXPECT_EQ(out, Value("old"));
  }
  fs::remove_all(onDisk);
}

TEST_F(CsonFiles, EmptyAndMarkOnlyFilesAreNull) {
  for (const std::string bytes : {"", "\xEF\xBB\xBF"}) {
    Put("f.cson", bytes);
    Value out = "old";
    Error error;
    error.code = ErrorCode::BadIndentation;
    error.message = "stale";
    EXPECT_EQ(zokCSON::ParseFile(Path("f.cson"), out, &error), ErrorCode::Ok);
    EXPECT_TRUE(out.IsNull());
    EXPECT_EQ(error.code, ErrorCode::Ok);
    EXPECT_EQ(error.message, "");
  }
}

TEST_F(CsonFiles, ReadsBytesUntranslated) {
  Put("f.cson", "a: \"\"\"x\r\ny\"\"\"\r\nb: 1");
  Value out;
  ASSERT_EQ(zokCSON::ParseFile(Path("f.cson"), out, nullptr), ErrorCode::Ok);
  EXPECT_EQ(out, Obj({{"a", "x\r\ny"}, {"b", 1}}));
}

TEST_F(CsonFiles, WriteReplacesContentWithoutFinalLineEnd) {
  Put("save.cson", "a long old content that is longer than the new one\n");
  Value doc = Obj({{"hp", 10}, {"name", "Bob"}});
  Error error;
  error.code = ErrorCode::IoError;
  ASSERT_TRUE(zokCSON::WriteFile(Path("save.cson"), doc, WriteOptions{2, true}, &error));
  EXPECT_EQ(error.code, ErrorCode::Ok);
  EXPECT_EQ(Get("save.cson"), "hp: 10.0\nname: \"Bob\"");
  EXPECT_FALSE(fs::exists(Path("save.cson.tmp")));
  Value back;
  ASSERT_EQ(zokCSON::ParseFile(Path("save.cson"), back, nullptr), ErrorCode::Ok);
  EXPECT_EQ(back, doc);
}

// A refused value must not cost the player the previous save.
TEST_F(CsonFiles, RefusedWriteKeepsOldFile) {
  Put("game.sav", "level: 3");
  Value bad = Obj({{"hp", std::numeric_limits<double>::infinity()}});
  Error error;
  EXPECT_FALSE(zokCSON::WriteFile(Path("game.sav"), bad, WriteOptions(), &error));
  EXPECT_EQ(error.code, ErrorCode::InvalidNumber);
  EXPECT_EQ(error.message, "Non-finite number value");
  EXPECT_FALSE(zokCSON::WriteFile(Path("game.sav"), bad, WriteOptions(), nullptr));
  EXPECT_EQ(Get("game.sav"), "level: 3");
  EXPECT_FALSE(fs::exists(Path("game.sav.tmp")));
  EXPECT_FALSE(zokCSON::WriteFile(Path("new.sav"), bad, WriteOptions(), nullptr));
  EXPECT_FALSE(fs::exists(Path("new.sav"))) << "nothing may be created for a refused value";
}

TEST_F(CsonFiles, WriteIntoMissingFolderFailsToOpen) {
  Error error;
  EXPECT_FALSE(zokCSON::WriteFile(Path("no/such/folder.cson"), Value(1), WriteOptions(), &error));
  EXPECT_EQ(error.code, ErrorCode::IoError);
  EXPECT_EQ(error.message, "Failed to open file for writing");
}

// When the finished text cannot take the target's place, the target stays and no temporary
// file is left behind.
TEST_F(CsonFiles, FailedReplaceLeavesNoTemporaryFile) {
  fs::create_directories(dir / "game.cfg" / "inside");
  Error error;
  EXPECT_FALSE(zokCSON::WriteFile(Path("game.cfg"), Value(1), WriteOptions(), &error));
  EXPECT_EQ(error.code, ErrorCode::IoError);
  EXPECT_EQ(error.message, "Failed to write file");
  EXPECT_TRUE(fs::is_directory(dir / "game.cfg" / "inside"));
  EXPECT_FALSE(fs::exists(Path("game.cfg.tmp")));
}

TEST(CsonValue, KindsInFixedOrder) {
  const Value values[] = {Value(), true, 1.5, "s", Value::MakeArray(), Value::MakeObject()};
  for (std::size_t i = 0; i < std::size(values); ++i) {
    EXPECT_EQ(values[i].Index(), i);
    EXPECT_EQ(static_cast<std::size_t>(values[i].GetKind()), i);
  }
  EXPECT_TRUE(Value(nullptr).IsNull());
  EXPECT_TRUE(Value(7u).IsNumber()) << "unsigned numbers must not turn into booleans";
  EXPECT_TRUE(Value(std::string("x")).IsString());
}

TEST(CsonValue, GetOrInsertFindAndAppend) {
  Value doc;
  doc["player"]["hp"] = 10;
  doc["inventory"].Append("baton");
  doc["inventory"].Append(Obj({{"name", "taser"}}));
  EXPECT_EQ(doc, Obj({{"player", Obj({{"hp", 10}})},
                      {"inventory", Arr({"baton", Obj({{"name", "taser"}})})}}));

  const Value& view = doc;
  EXPECT_EQ(view.Find("missing"), nullptr);
  EXPECT_EQ(doc.Size(), 2u) << "Find must not insert";
  ASSERT_NE(view.Find("player"), nullptr);
  EXPECT_EQ(view.Find("player")->Find("hp")->AsNumber(), 10);
  EXPECT_EQ(Value(3).Find("x"), nullptr);
  EXPECT_EQ(doc["inventory"][1]["name"].AsString(), "taser");
  EXPECT_EQ(Value("abc").Size(), 0u);
}

TEST(CsonValue, WrongKindThrows) {
  Value number = 3;
  EXPECT_THROW(static_cast<void>(number.AsString()), std::bad_variant_access);
  EXPECT_THROW(number["key"], std::bad_variant_access);
  EXPECT_THROW(number.Append(1), std::bad_variant_access);
  EXPECT_EQ(number.StringOr("fallback"), "fallback");
  EXPECT_EQ(number.NumberOr(0), 3);
}

TEST(CsonValue, CopiesAreDeepAndMovesEmpty) {
  Value a = Obj({{"list", Arr({1, 2})}});
  Value b = a;
  b["list"].Append(3);
  EXPECT_EQ(a["list"].Size(), 2u);
  Value c = std::move(b);
  EXPECT_EQ(c["list"].Size(), 3u);
  EXPECT_FALSE(a == c);
}

// Values built by hand can be deeper than anything the reader makes: tearing one down must not
// exhaust the stack.
TEST(CsonValue, VeryDeepValuesAreDestroyedSafely) {
  Value deep = NestedArrays(1'000'000);
  Value objects;
  Value* cursor = &objects;
  for (int i = 0; i < 1'000'000; ++i) {
    cursor = &(*cursor)["k"];
  }
  *cursor = "bottom";
  deep = Value();
  objects = Value();
  EXPECT_TRUE(deep.IsNull());
}

}  // namespace

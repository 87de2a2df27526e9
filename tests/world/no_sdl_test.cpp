// The rules library is built and linked without SDL: this suite links it alone, so SDL must not
// be among the libraries the running test has loaded.

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

TEST(RulesLibrary, RunsWithoutSDLLoaded) {
  std::ifstream maps("/proc/self/maps");
  ASSERT_TRUE(maps) << "no /proc/self/maps to read the loaded libraries from";
  std::string line;
  while (std::getline(maps, line)) {
    EXPECT_EQ(line.find("libSDL3"), std::string::npos) << line;
  }
}

}  // namespace

#include "support/runfolder.h"

#include <unistd.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace fs = std::filesystem;

RunFolder::RunFolder() {
  previous = fs::current_path();
  std::random_device seed;
  path = fs::temp_directory_path() /
         ("tvk-test-" + std::to_string(::getpid()) + "-" + std::to_string(seed()));
  fs::create_directories(path);
  fs::copy(TVK_DATA_DIR, path, fs::copy_options::recursive);
  fs::current_path(path);
}

RunFolder::~RunFolder() {
  std::error_code ignored;
  fs::current_path(previous, ignored);
  fs::remove_all(path, ignored);
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

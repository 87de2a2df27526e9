// What the fuzz targets of the game's file readers share. Those readers work on a file of the
// working directory: each run steps into a folder of its own and back out, so that libFuzzer's
// corpus paths and crash files stay where it expects them.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace tvkfuzz {

inline char startFolder[4096];
inline char runFolder[64];

// Makes /tmp/tvk-fuzz-<target>-XXXXXX, once, from LLVMFuzzerInitialize.
inline void MakeRunFolder(const char* target) {
  std::snprintf(runFolder, sizeof runFolder, "/tmp/tvk-fuzz-%s-XXXXXX", target);
  if (mkdtemp(runFolder) == nullptr || getcwd(startFolder, sizeof startFolder) == nullptr) {
    const int error = errno;
    char what[96];
    std::snprintf(what, sizeof what, "fuzz-%s: cannot make a working folder", target);
    errno = error;
    std::perror(what);
    std::abort();
  }
}

// Writes the input as the file the reader under test opens.
inline void WriteInput(const char* fileName, const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(fileName, "wb");
  if (file == nullptr) std::abort();
  std::fwrite(data, 1, size, file);
  std::fclose(file);
}

// One input, run inside the run folder.
inline int RunInFolder(int (*run)(const std::uint8_t*, std::size_t), const std::uint8_t* data,
                       std::size_t size) {
  if (chdir(runFolder) != 0) std::abort();
  const int result = run(data, size);
  if (chdir(startFolder) != 0) std::abort();
  return result;
}

}  // namespace tvkfuzz

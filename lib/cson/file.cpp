#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "cson/cson.h"
#include "cson/parser.h"

#include <sys/stat.h>
#include <sys/types.h>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace zokCSON {

namespace {

#if defined(_WIN32)
// UTF-8 to UTF-16 with invalid input refused: an empty result then makes the open fail.
std::wstring Widen(const std::string& s) {
  if (s.empty()) {
    return {};
  }
  int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.data(),
                                   static_cast<int>(s.size()), nullptr, 0);
  if (length <= 0) {
    return {};
  }
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.data(), static_cast<int>(s.size()),
                      wide.data(), length);
  return wide;
}
#endif

// Replaces target by source in one step, so that a reader sees the old file or the new one.
bool ReplaceFile(const std::string& source, const std::string& target) {
#if defined(_WIN32)
  std::wstring from = Widen(source);
  std::wstring to = Widen(target);
  return !from.empty() && !to.empty() &&
         MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
  return std::rename(source.c_str(), target.c_str()) == 0;
#endif
}

void RemoveFile(const std::string& path) {
#if defined(_WIN32)
  std::wstring wide = Widen(path);
  if (!wide.empty()) {
    _wremove(wide.c_str());
  }
#else
  std::remove(path.c_str());
#endif
}

// Pushes the written bytes to the disk before the rename makes them the file.
bool FlushToDisk(std::FILE* file) {
  if (std::fflush(file) != 0) {
    return false;
  }
#if defined(_WIN32)
  return true;
#else
  return fsync(fileno(file)) == 0;
#endif
}

// Whether the path names a regular file (symbolic links followed). Asked before the file is
// opened: a named pipe would block the open, and a folder opens on some systems and then reports
// a size that has nothing to do with any content (the largest offset on ext4).
bool IsRegularFile(const std::string& path) {
#if defined(_WIN32)
  std::wstring wide = Widen(path);
  struct _stat64 info;
  return !wide.empty() && _wstat64(wide.c_str(), &info) == 0 && (info.st_mode & _S_IFREG) != 0;
#else
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
#endif
}

// The same question for a file already open, in case the path changed in between.
bool IsRegularFile(std::FILE* file) {
#if defined(_WIN32)
  struct _stat64 info;
  return _fstat64(_fileno(file), &info) == 0 && (info.st_mode & _S_IFREG) != 0;
#else
  struct stat info;
  return fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
#endif
}

bool Exists(const std::string& path) {
#if defined(_WIN32)
  std::wstring wide = Widen(path);
  struct _stat64 info;
  return !wide.empty() && _wstat64(wide.c_str(), &info) == 0;
#else
  struct stat info;
  return stat(path.c_str(), &info) == 0;
#endif
}

// A new, empty file at path, opened for writing. Whatever file lay there before is removed first
// (a folder is left alone, and the open fails) and the open is exclusive, so the bytes never go
// through a link left at that name to some other file, and a named pipe or a device there can
// neither block nor take them.
FileHandle CreateFreshFile(const std::string& path) {
#if defined(_WIN32)
  RemoveFile(path);
  return OpenFileUTF8(path, "wbx");
#else
  unlink(path.c_str());
  const int descriptor =
      open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (descriptor < 0) {
    return FileHandle();
  }
  std::FILE* file = fdopen(descriptor, "wb");
  if (file == nullptr) {
    close(descriptor);
    return FileHandle();
  }
  return FileHandle(file);
#endif
}

ErrorCode FailIo(Error* error, const std::string& path, const char* message) {
  if (error != nullptr) {
    error->code = ErrorCode::IoError;
    error->line = 1;
    error->column = 1;
    error->message = message;
    error->file = path;
  }
  return ErrorCode::IoError;
}

}  // namespace

FileHandle OpenFileUTF8(const std::string& path, const std::string& mode) {
#if defined(_WIN32)
  std::wstring widePath = Widen(path);
  std::wstring wideMode = Widen(mode);
  std::FILE* file = nullptr;
  if (widePath.empty() || wideMode.empty() ||
      _wfopen_s(&file, widePath.c_str(), wideMode.c_str()) != 0) {
    return FileHandle();
  }
  return FileHandle(file);
#else
  return FileHandle(std::fopen(path.c_str(), mode.c_str()));
#endif
}

ErrorCode ReadFileText(const std::string& path, std::string& text, Error* error) {
  if (!IsRegularFile(path)) {
    return FailIo(error, path, Exists(path) ? "Not a regular file" : "Failed to open file");
  }
  FileHandle file = OpenFileUTF8(path, "rb");
  if (!file) {
    return FailIo(error, path, "Failed to open file");
  }
  if (!IsRegularFile(file.get())) {
    return FailIo(error, path, "Not a regular file");
  }
  if (std::fseek(file.get(), 0, SEEK_END) != 0) {
    return FailIo(error, path, "Failed to read file");
  }
  long size = std::ftell(file.get());
  if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) {
    return FailIo(error, path, "Failed to read file");
  }
  // A file that grew huge between the check and the read still must not end the program: a
  // failed allocation reads as a failed read.
  const auto length = static_cast<std::size_t>(size);
  std::string content;
  try {
    content.resize(length);
  } catch (const std::bad_alloc&) {
    return FailIo(error, path, "Failed to read file");
  }
  if (length > 0 && std::fread(content.data(), 1, length, file.get()) != length) {
    return FailIo(error, path, "Failed to read file");
  }
  text = std::move(content);
  if (error != nullptr) {
    error->Clear();
  }
  return ErrorCode::Ok;
}

ErrorCode ParseFile(const std::string& path, Value& out, Error* error) {
  std::string text;
  const ErrorCode read = ReadFileText(path, text, error);
  if (read != ErrorCode::Ok) {
    return read;
  }
  Parser parser(text);
  const ErrorCode parsed = parser.Parse(out, error);
  if (parsed != ErrorCode::Ok && error != nullptr) {
    error->file = path;
  }
  return parsed;
}

bool WriteFile(const std::string& path, const Value& value, const WriteOptions& options,
               Error* error) {
  // Everything that can refuse the value is checked before any file is touched.
  std::string text;
  if (!WriteText(value, text, options, error)) {
    if (error != nullptr) {
      error->file = path;
    }
    return false;
  }
  return WriteFileText(path, text, error);
}

bool WriteFileText(const std::string& path, std::string_view text, Error* error) {
  // The new text goes to a file beside the target and replaces it only once complete, so the
  // old save or settings survive a failed write or a crash in the middle.
  const std::string temporary = path + ".tmp";
  FileHandle file = CreateFreshFile(temporary);
  if (!file || !IsRegularFile(file.get())) {
    FailIo(error, path, "Failed to open file for writing");
    return false;
  }
  bool written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size() &&
                 FlushToDisk(file.get());
  bool closed = std::fclose(file.release()) == 0;
  if (!written || !closed || !ReplaceFile(temporary, path)) {
    RemoveFile(temporary);
    FailIo(error, path, "Failed to write file");
    return false;
  }
  if (error != nullptr) {
    error->Clear();
  }
  return true;
}

}  // namespace zokCSON

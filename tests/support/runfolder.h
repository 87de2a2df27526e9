#pragma once
// Test support that needs no SDL, for the rules suites as much as for the others.

#include <filesystem>
#include <string>

// A fresh temporary folder holding a copy of the game's data files. The process works in it
// while the object lives, so "game.cfg" and "game.sav" land there and vanish with it.
class RunFolder {
 public:
  RunFolder();
  ~RunFolder();
  RunFolder(const RunFolder&) = delete;
  RunFolder& operator=(const RunFolder&) = delete;
  const std::filesystem::path& Path() const { return path; }

 private:
  std::filesystem::path path;
  std::filesystem::path previous;
};

// The whole file's bytes; empty when it cannot be read.
std::string ReadText(const std::filesystem::path& path);

// tvk-lang: the translators' tool.
//
//   tvk-lang check FILE...      every problem of the language files, as FILE:LINE:COLUMN lines
//   tvk-lang new CODE NAME      languages/CODE.cson from the English texts, added to the list
//
// `new` works in the game's data folder, the one that holds languages/. Exit 0 when nothing
// is wrong (warnings alone included), 1 when a file has errors, 2 on usage or file errors.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

#include "cson/cson.h"
#include "langtool/langcheck.h"
#include "localization/catalogue.h"
#include "localization/localization.h"

namespace {

constexpr int EXIT_CLEAN = 0;
constexpr int EXIT_ERRORS = 1;
constexpr int EXIT_USAGE = 2;

const char* const LIST_PATH = "languages/languages.cson";

const char* const USAGE =
    "usage: tvk-lang check FILE...\n"
    "       tvk-lang new CODE NAME\n"
    "check reports every problem of the language files; new writes languages/CODE.cson with\n"
    "every text in English and adds it to languages/languages.cson (run it in the folder\n"
    "that holds languages/).\n";

int Usage() {
  std::cerr << USAGE;
  return EXIT_USAGE;
}

// Reads only a regular file: a folder, a device or a pipe is refused, never read or waited on.
bool ReadWhole(const std::string& path, std::string& text) {
  return zokCSON::ReadFileText(path, text, nullptr) == zokCSON::ErrorCode::Ok;
}

int Check(int count, char** files) {
  int result = EXIT_CLEAN;
  for (int i = 0; i < count; ++i) {
    const std::string path = files[i];
    std::string text;
    if (!ReadWhole(path, text)) {
      std::cerr << "tvk-lang: " << path << ": cannot be read\n";
      result = EXIT_USAGE;
      continue;
    }
    for (const RKLangIssue& issue : CheckLanguageText(text)) {
      std::cerr << path << ':' << issue.line << ':' << issue.column << ": "
                << (issue.error ? "error" : "warning") << ": " << issue.message << '\n';
      if (issue.error && result == EXIT_CLEAN) result = EXIT_ERRORS;
    }
  }
  return result;
}

// A code becomes a file name and a settings value: letters, digits, "-" and "_" only.
bool ValidCode(const std::string& code) {
  if (code.empty() || code.size() > MAX_LANGUAGE_CODE_BYTES) return false;
  for (char c : code) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '_';
    if (!ok) return false;
  }
  return true;
}

// The file of the English language in the list, relative to the data folder.
std::string EnglishFile(const std::string& listText) {
  zokCSON::Value list;
  if (zokCSON::ParseText(listText, list, nullptr) != zokCSON::ErrorCode::Ok) return "";
  const zokCSON::Value* languages = list.Find("languages");
  if (languages == nullptr || !languages->IsArray()) return "";
  for (const zokCSON::Value& entry : languages->AsArray()) {
    const zokCSON::Value* code = entry.Find("code");
    const zokCSON::Value* file = entry.Find("file");
    if (code != nullptr && code->IsString() && code->AsString() == "en" && file != nullptr &&
        file->IsString()) {
      return file->AsString();
    }
  }
  return "";
}

int New(const std::string& code, const std::string& name) {
  if (!ValidCode(code)) {
    std::cerr << "tvk-lang: \"" << code << "\" cannot be a language code: use at most "
              << MAX_LANGUAGE_CODE_BYTES << " letters, digits, - and _ (like \"pt-BR\")\n";
    return EXIT_USAGE;
  }
  std::string escapedName;
  if (name.empty() || !EscapeForLanguageFile(name, escapedName)) {
    std::cerr << "tvk-lang: the name \"" << name
              << "\" has characters the game's font cannot show\n";
    return EXIT_USAGE;
  }
  if (const std::size_t cells = RKLocalization::NormalizeText(escapedName).size();
      cells > static_cast<std::size_t>(LANGUAGE_NAME_COLUMNS)) {
    std::cerr << "tvk-lang: " << OverlongNameMessage(code, cells) << '\n';
    return EXIT_USAGE;
  }
  // In a player's folder, languages/ is a link to the installed game's texts: writing there
  // would change files a package owns (or fail without the rights to).
  if (std::filesystem::is_symlink("languages")) {
    std::cerr << "tvk-lang: languages/ here is a link to the installed game's texts; make it a "
                 "folder of your own first (cp -rL languages languages.copy && rm languages && "
                 "mv languages.copy languages): the game's launcher leaves such a folder alone\n";
    return EXIT_USAGE;
  }
  std::string listText;
  if (!ReadWhole(LIST_PATH, listText)) {
    std::cerr << "tvk-lang: " << LIST_PATH
              << " cannot be read: run tvk-lang new in the folder that holds languages/\n";
    return EXIT_USAGE;
  }
  const std::string englishFile = EnglishFile(listText);
  std::string englishText;
  if (englishFile.empty() || !ReadWhole(englishFile, englishText)) {
    std::cerr << "tvk-lang: the English texts cannot be read (" << LIST_PATH
              << " names no readable file for \"en\")\n";
    return EXIT_USAGE;
  }
  const std::string file = "languages/" + code + ".cson";
  if (std::filesystem::exists(file)) {
    std::cerr << "tvk-lang: " << file << " exists already; it is left as it is\n";
    return EXIT_USAGE;
  }
  std::string templateText, why;
  if (!MakeLanguageTemplate(englishText, code, name, templateText, why) ||
      !AddLanguageToList(listText, code, escapedName, file, why)) {
    std::cerr << "tvk-lang: " << why << '\n';
    return EXIT_USAGE;
  }
  if (!zokCSON::WriteFileText(file, templateText, nullptr)) {
    std::cerr << "tvk-lang: " << file << " cannot be written\n";
    return EXIT_USAGE;
  }
  if (!zokCSON::WriteFileText(LIST_PATH, listText, nullptr)) {
    std::remove(file.c_str());
    std::cerr << "tvk-lang: " << LIST_PATH << " cannot be written; " << file
              << " is not kept either\n";
    return EXIT_USAGE;
  }
  std::cout << "tvk-lang: wrote " << file << ": " << CATALOGUE_KEY_COUNT << " texts to translate\n"
            << "tvk-lang: added " << code << " (" << name << ") to " << LIST_PATH << '\n';
  return EXIT_CLEAN;
}

int Run(int argc, char** argv) {
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::cout << USAGE;
    return EXIT_CLEAN;
  }
  if (argc >= 3 && std::string(argv[1]) == "check") {
    return Check(argc - 2, argv + 2);
  }
  if (argc == 4 && std::string(argv[1]) == "new") {
    return New(argv[2], argv[3]);
  }
  return Usage();
}

}  // namespace

int main(int argc, char** argv) {
  // Running out of memory or a failing file system ends with the reason and the exit code of
  // a file error, not with an abort.
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::cerr << "tvk-lang: " << e.what() << '\n';
    return EXIT_USAGE;
  }
}

#pragma once
// The rules of tvk-lang, the translators' tool: a language file held to the game's key table
// (catalogue.h) and to what the font and the screen can show, the template of a new language,
// and the line that adds it to the language list. Texts in, texts out: the tool does the files.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One problem of a language file, at the line and column (1-based, columns in bytes) of the
// text or key it concerns.
struct RKLangIssue {
  bool error;  // false for a warning: shown as the translator wrote it, but worth a look
  std::uint64_t line;
  std::uint64_t column;
  std::string message;
};

// Every problem of a language file's text, ordered by place. Errors are texts the game would
// show wrongly or not at all: a missing key, a token the game does not fill or a missing one,
// a character the font has no glyph for, a small accented letter in a text shown in capitals,
// a broken colour code, a text too wide for where it is drawn, a file that does not read.
// Warnings: keys the game never looks up, empty texts, log lines and prompts that take more
// than two lines, and a sharp s in capitals.
std::vector<RKLangIssue> CheckLanguageText(std::string_view text);

// A new language file: a header naming the language, then every key of the table in the
// English file's order, each under a comment saying where it is shown, how many cells it may
// take and what its tokens hold, with the English text (from englishText) to translate.
// A key the English text lacks gets an empty text. False, with the reason in why, when the
// English text does not read.
bool MakeLanguageTemplate(std::string_view englishText, const std::string& code,
                          const std::string& name, std::string& out, std::string& why);

// The language list's text with {code, name, file} appended to its "languages" list as a line
// of its own, keeping every comment. The name comes as EscapeForLanguageFile writes it. False, with
// the reason in why, when the list does not read, already has the code, or is not laid out one
// language a line.
bool AddLanguageToList(std::string& listText, const std::string& code, const std::string& name,
                       const std::string& file, std::string& why);

// A name typed in UTF-8 written the way language files write their texts: ASCII as it is,
// other characters as the escape of their code point with a doubled backslash. False when a
// character has no glyph in the font, or the name is not UTF-8.
bool EscapeForLanguageFile(std::string_view utf8, std::string& out);

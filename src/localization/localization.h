#pragma once
// The catalogue of the chosen language: lookup by key with fallback, numbered tokens ("{0}",
// "{1}", ...), localized entity names, and the reading of the language list and of one
// language's file. Free of SDL, so the rules and their tests use it without a window.

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "cson/cson.h"

// A language file holds about 10 KB of texts. A file far larger is refused before it is read
// (reading it would take seconds), and so is a text far longer than any box or line shows
// (drawing it would cost every frame the time of many).
constexpr std::uintmax_t MAX_LANGUAGE_FILE_BYTES = std::uintmax_t{256} * 1024;
constexpr std::size_t MAX_LANGUAGE_TEXT_BYTES = 512;

// Why a text is refused, for the game and for tvk-lang alike.
std::string OverlongTextMessage(const std::string& key, std::size_t bytes);

// The language list names a handful of languages in a few hundred bytes: a list over this size
// is refused before it is read, as a language file over its own is.
constexpr std::uintmax_t MAX_LANGUAGE_LIST_BYTES = std::uintmax_t{64} * 1024;
// A code names a language in the settings file and in its file's name: a tag such as "pt-BR".
constexpr std::size_t MAX_LANGUAGE_CODE_BYTES = 16;
// Why a language file or the language list of `bytes` is refused, for the game and tvk-lang.
std::string OversizedLanguageFileMessage(std::uintmax_t bytes);
std::string OversizedLanguageListMessage(std::uintmax_t bytes);
// Why the language list leaves out an entry whose code or name is longer than the game takes
// (a name has LANGUAGE_NAME_COLUMNS cells of the options menu's line); empty when it fits. The
// game and tvk-lang alike. The code itself is not repeated: it may be the overlong part.
std::string OverlongCodeMessage(std::size_t bytes);
std::string OverlongNameMessage(const std::string& code, std::size_t cells);

// One language the player can choose, as the language list names it.
struct RKLanguageEntry {
  std::string code;  // "en", "de", ...
  std::string name;  // shown in the options menu; escapes as in the texts ("Espa\\u00f1ol")
  std::string file;  // path of the language file, relative to the working directory
};

class RKLocalization {
 public:
  std::vector<RKLanguageEntry> availableLanguages;
  std::unordered_map<std::string, std::string> translations;  // flat dotted key -> text
  std::string currentLanguageCode = "en";
  std::string defaultLanguageCode = "en";
  std::unordered_map<std::string, std::string> entityNameKeys;  // English entity name -> key

  RKLocalization();

  // Sets the code only; the catalogue stays as it is until a language is loaded.
  void SetLanguageCode(const std::string& code);
  const std::string& GetCurrentLanguageCode() const;
  const std::string& GetDefaultLanguageCode() const;
  const std::vector<RKLanguageEntry>& GetAvailableLanguages() const;

  // The key's text, or the key itself when the catalogue lacks it, so a game without any
  // language file still shows something a player can report.
  std::string T(const std::string& key) const;
  // The key's text, or fallback when the catalogue lacks it. An empty text counts as found.
  std::string TranslateKeyOrFallback(const std::string& key, const std::string& fallback) const;
  // ReplaceTokens(T(key), args).
  std::string TFormat(const std::string& key, const std::vector<std::string>& args) const;
  // Fills "{i}" with args[i], for i in argument order. A token with no argument stays as
  // written; an argument's own text is never scanned for its own token again.
  std::string ReplaceTokens(const std::string& text, const std::vector<std::string>& args) const;
  // Display name of an entity from its untranslated internal name ("Unconscious Guard").
  // Unknown names come back unchanged.
  std::string LocalizeEntityName(const std::string& name) const;
  // Turns the escape of a code point (backslash, 'u', four hex digits) into the one font byte
  // of that code ("?" above 255) and a doubled backslash into one; everything else is kept.
  // Needs no catalogue: the save game reads its log lines back with it too.
  static std::string NormalizeText(const std::string& text);
  bool StartsWith(const std::string& text, const std::string& prefix) const;

  // Reads the language list. True when at least one usable language is listed. A "default"
  // string also becomes the current code, even when the rest of the file is unusable. A list
  // over its size limit is not read, and an entry whose code or name is over its limit is left
  // out; each says why on standard error (FILE:LINE).
  bool LoadLanguageList(const std::string& path);
  // Replaces the catalogue with the file of the first listed language of that code and makes
  // it current. On any failure nothing changes and the result is false; a file over its size
  // limit or with a text over its length limit says why on standard error (FILE:LINE).
  bool LoadLanguageByCode(const std::string& code);
  // Stores every string below object under its dotted path (prefix + "." + key ...); other
  // kinds, and everything inside arrays, are ignored.
  void FlattenTranslations(const zokCSON::Value::Object& object, const std::string& prefix);
};

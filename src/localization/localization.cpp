#include "localization/localization.h"

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <iostream>
#include <string_view>

#include "cson/utf8.h"
#include "localization/catalogue.h"
#include "localization/kindtexts.h"
#include "world/entity.h"

namespace {

// The token of the prefix text that receives the base name.
constexpr std::string_view NAME_TOKEN = "{0}";
constexpr std::size_t LONGEST_DOUBLED_NAME = 4096;

// A text longer than the game takes: its key, its length once read and where it is written.
struct RKOverlongText {
  std::string key;
  std::size_t bytes = 0;
  zokCSON::Position at;
};

// Keeps in first the overlong text written first in the file, of those below object.
void FindFirstOverlongText(const zokCSON::Value::Object& object, const std::string& prefix,
                           RKOverlongText& first) {
  for (const auto& [key, value] : object) {
    const std::string path = prefix.empty() ? key : prefix + "." + key;
    if (value.IsObject()) {
      FindFirstOverlongText(value.AsObject(), path, first);
    } else if (value.IsString()) {
      const std::size_t bytes = RKLocalization::NormalizeText(value.AsString()).size();
      if (bytes > MAX_LANGUAGE_TEXT_BYTES && (first.key.empty() || value.Where() < first.at)) {
        first = {path, bytes, value.Where()};
      }
    }
  }
}

// Why an entry of the language list is left out for its length; empty when it is not.
std::string OverlongEntryMessage(const RKLanguageEntry& entry) {
  if (entry.code.size() > MAX_LANGUAGE_CODE_BYTES) {
    return OverlongCodeMessage(entry.code.size());
  }
  const std::size_t cells = RKLocalization::NormalizeText(entry.name).size();
  return cells > static_cast<std::size_t>(LANGUAGE_NAME_COLUMNS)
             ? OverlongNameMessage(entry.code, cells)
             : std::string();
}

}  // namespace

std::string OverlongTextMessage(const std::string& key, std::size_t bytes) {
  return "\"" + key + "\" has " + std::to_string(bytes) + " bytes, at most " +
         std::to_string(MAX_LANGUAGE_TEXT_BYTES) + ": no box or line of the game shows that much";
}

std::string OversizedLanguageFileMessage(std::uintmax_t bytes) {
  return std::to_string(bytes) + " bytes, at most " + std::to_string(MAX_LANGUAGE_FILE_BYTES) +
         ": a language file holds about 10 KB of texts, and reading one far larger would take "
         "seconds";
}

std::string OversizedLanguageListMessage(std::uintmax_t bytes) {
  return std::to_string(bytes) + " bytes, at most " + std::to_string(MAX_LANGUAGE_LIST_BYTES) +
         ": a list of languages takes a few hundred bytes";
}

std::string OverlongCodeMessage(std::size_t bytes) {
  return "a language's code has " + std::to_string(bytes) + " bytes, at most " +
         std::to_string(MAX_LANGUAGE_CODE_BYTES) +
         ": a code is a short tag such as \"pt-BR\"; the game leaves the language out";
}

std::string OverlongNameMessage(const std::string& code, std::size_t cells) {
  return "the name of \"" + code + "\" takes " + std::to_string(cells) + " characters, at most " +
         std::to_string(LANGUAGE_NAME_COLUMNS) +
         ": it must fit its line in the options menu; the game leaves the language out";
}

RKLocalization::RKLocalization() {
  // Rows that share a name share its key too (both stairs): the first one stands.
  for (const RKKind& kind : KIND_TABLE) {
    const char* key = KindTextKey(kind, RKKindText::Name);
    if (key != nullptr) entityNameKeys.emplace(kind.name, key);
  }
}

void RKLocalization::SetLanguageCode(const std::string& code) { currentLanguageCode = code; }

const std::string& RKLocalization::GetCurrentLanguageCode() const { return currentLanguageCode; }

const std::string& RKLocalization::GetDefaultLanguageCode() const { return defaultLanguageCode; }

const std::vector<RKLanguageEntry>& RKLocalization::GetAvailableLanguages() const {
  return availableLanguages;
}

std::string RKLocalization::T(const std::string& key) const {
  return TranslateKeyOrFallback(key, key);
}

std::string RKLocalization::TranslateKeyOrFallback(const std::string& key,
                                                   const std::string& fallback) const {
  auto found = translations.find(key);
  return found == translations.end() ? fallback : found->second;
}

std::string RKLocalization::TFormat(const std::string& key,
                                    const std::vector<std::string>& args) const {
  return ReplaceTokens(T(key), args);
}

std::string RKLocalization::ReplaceTokens(const std::string& text,
                                          const std::vector<std::string>& args) const {
  std::string result = text;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string token = "{" + std::to_string(i) + "}";
    // Resuming after the inserted argument keeps an argument that holds its own token from
    // being expanded forever.
    std::size_t at = result.find(token);
    while (at != std::string::npos) {
      result.replace(at, token.size(), args[i]);
      at = result.find(token, at + args[i].size());
    }
  }
  return result;
}

std::string RKLocalization::LocalizeEntityName(const std::string& name) const {
  // The prefixes are counted over a view of the name and the base is looked up once: a name
  // read from a file may carry the prefix thousands of times (no game does), and peeling one
  // prefix per call, copying the rest each time, cost time and memory quadratic in its length.
  std::string_view base = name;
  std::size_t prefixes = 0;
  while (base.starts_with(UNCONSCIOUS_NAME_PREFIX)) {
    base.remove_prefix(UNCONSCIOUS_NAME_PREFIX.size());
    ++prefixes;
  }
  const std::string baseName(base);
  auto key = entityNameKeys.find(baseName);
  std::string localized =
      key == entityNameKeys.end() ? baseName : TranslateKeyOrFallback(key->second, baseName);
  if (prefixes == 0) {
    return localized;
  }
  auto found = translations.find("entity.unconsciousPrefix");
  // Without a prefix text the whole name stays English, so a half-translated catalogue never
  // mixes an English prefix with a translated base.
  if (found == translations.end()) {
    return name;
  }
  const std::string& pattern = found->second;
  const std::size_t token = pattern.find(NAME_TOKEN);
  if (token == std::string::npos) {
    return pattern;
  }
  if (pattern.find(NAME_TOKEN, token + NAME_TOKEN.size()) == std::string::npos) {
    // The usual pattern, with the token once: every prefix wraps the name in the same two
    // pieces, so the result is built in one pass.
    const std::size_t after = token + NAME_TOKEN.size();
    std::string result;
    result.reserve(prefixes * (pattern.size() - NAME_TOKEN.size()) + localized.size());
    for (std::size_t i = 0; i < prefixes; ++i) result.append(pattern, 0, token);
    result += localized;
    for (std::size_t i = 0; i < prefixes; ++i) result.append(pattern, after);
    return result;
  }
  // A pattern holding the token more than once doubles the name with every prefix: once the
  // name is longer than any screen shows, further prefixes are left unapplied.
  for (std::size_t i = 0; i < prefixes && localized.size() <= LONGEST_DOUBLED_NAME; ++i) {
    localized = ReplaceTokens(pattern, {localized});
  }
  return localized;
}

std::string RKLocalization::NormalizeText(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '\\') {
      result += text[i++];
      continue;
    }
    if (i + 5 < text.size() && text[i + 1] == 'u') {
      int code = 0;
      bool valid = true;
      for (std::size_t k = i + 2; k < i + 6; ++k) {
        const int digit = zokCSON::HexDigitValue(text[k]);
        if (digit < 0) {
          valid = false;
          break;
        }
        code = code * 16 + digit;
      }
      if (valid) {
        // The font has one glyph per byte: a code it cannot show becomes a visible "?".
        result += code <= 255 ? static_cast<char>(code) : '?';
        i += 6;
        continue;
      }
    }
    if (i + 1 < text.size() && text[i + 1] == '\\') {
      result += '\\';
      i += 2;
      continue;
    }
    result += text[i++];
  }
  return result;
}

bool RKLocalization::StartsWith(const std::string& text, const std::string& prefix) const {
  return prefix.size() <= text.size() && text.compare(0, prefix.size(), prefix) == 0;
}

bool RKLocalization::LoadLanguageList(const std::string& path) {
  availableLanguages.clear();
  std::error_code unknownSize;
  const std::uintmax_t size = std::filesystem::file_size(path, unknownSize);
  if (!unknownSize && size > MAX_LANGUAGE_LIST_BYTES) {
    std::cerr << path << ": " << OversizedLanguageListMessage(size) << std::endl;
    return false;
  }
  zokCSON::Value root;
  if (zokCSON::ParseFile(path, root, nullptr) != zokCSON::ErrorCode::Ok || !root.IsObject()) {
    return false;
  }
  const zokCSON::Value* defaultCode = root.Find("default");
  if (defaultCode != nullptr && defaultCode->IsString()) {
    defaultLanguageCode = defaultCode->AsString();
    currentLanguageCode = defaultLanguageCode;
  }
  const zokCSON::Value* languages = root.Find("languages");
  if (languages == nullptr || !languages->IsArray()) {
    return false;
  }
  for (const zokCSON::Value& element : languages->AsArray()) {
    if (!element.IsObject()) {
      continue;
    }
    auto text = [&element](const char* key) {
      const zokCSON::Value* value = element.Find(key);
      return value != nullptr && value->IsString() ? value->AsString() : std::string();
    };
    RKLanguageEntry entry{text("code"), text("name"), text("file")};
    if (entry.code.empty() || entry.file.empty()) {
      continue;
    }
    if (const std::string why = OverlongEntryMessage(entry); !why.empty()) {
      std::cerr << path << ":" << std::max<std::uint64_t>(element.Where().line, 1) << ": " << why
                << std::endl;
      continue;
    }
    availableLanguages.push_back(entry);
  }
  // An empty "default" names no language; the first listed one is the natural stand-in.
  if (!availableLanguages.empty() && defaultLanguageCode.empty()) {
    defaultLanguageCode = availableLanguages.front().code;
    currentLanguageCode = defaultLanguageCode;
  }
  return !availableLanguages.empty();
}

bool RKLocalization::LoadLanguageByCode(const std::string& code) {
  const RKLanguageEntry* language = nullptr;
  for (const RKLanguageEntry& entry : availableLanguages) {
    if (entry.code == code) {
      language = &entry;
      break;
    }
  }
  if (language == nullptr) {
    return false;
  }
  std::error_code unknownSize;
  const std::uintmax_t size = std::filesystem::file_size(language->file, unknownSize);
  if (!unknownSize && size > MAX_LANGUAGE_FILE_BYTES) {
    std::cerr << language->file << ": " << OversizedLanguageFileMessage(size) << std::endl;
    return false;
  }
  zokCSON::Value root;
  if (zokCSON::ParseFile(language->file, root, nullptr) != zokCSON::ErrorCode::Ok ||
      !root.IsObject()) {
    return false;
  }
  RKOverlongText first;
  FindFirstOverlongText(root.AsObject(), "", first);
  if (!first.key.empty()) {
    std::cerr << language->file << ":" << std::max<std::uint64_t>(first.at.line, 1) << ": "
              << OverlongTextMessage(first.key, first.bytes) << std::endl;
    return false;
  }
  translations.clear();
  FlattenTranslations(root.AsObject(), "");
  currentLanguageCode = code;
  return true;
}

void RKLocalization::FlattenTranslations(const zokCSON::Value::Object& object,
                                         const std::string& prefix) {
  for (const auto& [key, value] : object) {
    const std::string fullKey = prefix.empty() ? key : prefix + "." + key;
    if (value.IsString()) {
      translations[fullKey] = NormalizeText(value.AsString());
    } else if (value.IsObject()) {
      FlattenTranslations(value.AsObject(), fullKey);
    }
  }
}

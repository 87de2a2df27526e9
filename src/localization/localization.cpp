#include "localization/localization.h"

#include <cstddef>

namespace {

// Internal entity names, as the world code spells them, and the catalogue keys of their
// display names.
struct EntityNameKey {
  const char* name;
  const char* key;
};

// name                 key
constexpr EntityNameKey ENTITY_NAME_KEYS[] = {
    {"Player", "entity.player"},
    {"Baton", "entity.baton"},
    {"Guard", "entity.guard"},
    {"Elite Guard", "entity.eliteGuard"},
    {"First Aid Kit", "entity.firstAidKit"},
    {"Taser", "entity.taser"},
    {"Riot Shield", "entity.riotShield"},
    {"Tranquilizer Gun", "entity.tranquilizerGun"},
    {"Stun Grenade", "entity.stunGrenade"},
    {"Pepper Spray", "entity.pepperSpray"},
    {"Stairs", "entity.stairs"},
    {"Exit", "entity.exit"},
};

const std::string UNCONSCIOUS_PREFIX = "Unconscious ";

// Value of one hexadecimal digit, or -1.
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

RKLocalization::RKLocalization() {
  for (const EntityNameKey& entry : ENTITY_NAME_KEYS) {
    entityNameKeys.emplace(entry.name, entry.key);
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
  if (StartsWith(name, UNCONSCIOUS_PREFIX)) {
    const std::string base = name.substr(UNCONSCIOUS_PREFIX.size());
    // Without a prefix text the whole name stays English, so a half-translated catalogue
    // never mixes an English prefix with a translated base.
    const std::string pattern = TranslateKeyOrFallback("entity.unconsciousPrefix", name);
    return ReplaceTokens(pattern, {LocalizeEntityName(base)});
  }
  auto key = entityNameKeys.find(name);
  if (key == entityNameKeys.end()) {
    return name;
  }
  return TranslateKeyOrFallback(key->second, name);
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
        const int digit = HexValue(text[k]);
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
    if (!entry.code.empty() && !entry.file.empty()) {
      availableLanguages.push_back(entry);
    }
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
  zokCSON::Value root;
  if (zokCSON::ParseFile(language->file, root, nullptr) != zokCSON::ErrorCode::Ok ||
      !root.IsObject()) {
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

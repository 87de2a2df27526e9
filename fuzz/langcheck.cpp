// Arbitrary bytes as a language file handed to tvk-lang check: the checker must never crash,
// and every report must point at a place inside the text (or at its very start). The same bytes
// as the game's language list: every language it takes must be within the list's limits.

#include "langtool/langcheck.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "localization/catalogue.h"
#include "localization/localization.h"

#include "fuzz_support.h"

namespace {

int ReadAsList(const std::uint8_t* data, std::size_t size) {
  tvkfuzz::WriteInput("languages.cson", data, size);
  RKLocalization localization;
  localization.LoadLanguageList("languages.cson");
  for (const RKLanguageEntry& entry : localization.GetAvailableLanguages()) {
    if (entry.code.empty() || entry.code.size() > MAX_LANGUAGE_CODE_BYTES || entry.file.empty() ||
        RKLocalization::NormalizeText(entry.name).size() >
            static_cast<std::size_t>(LANGUAGE_NAME_COLUMNS)) {
      std::abort();
    }
  }
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  tvkfuzz::MakeRunFolder("langcheck");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::uint64_t lines =
      1 + static_cast<std::uint64_t>(std::count(text.begin(), text.end(), '\n'));
  for (const RKLangIssue& issue : CheckLanguageText(text)) {
    if (issue.line < 1 || issue.line > lines + 1 || issue.column < 1 || issue.column > size + 2 ||
        issue.message.empty()) {
      std::abort();
    }
  }
  return tvkfuzz::RunInFolder(ReadAsList, data, size);
}

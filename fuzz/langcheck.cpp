// Arbitrary bytes as a language file handed to tvk-lang check: the checker must never crash,
// and every report must point at a place inside the text (or at its very start).

#include "langtool/langcheck.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

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
  return 0;
}

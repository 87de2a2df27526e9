// Any bytes into the CSON reader: it must never crash, hang, leak or read out of bounds, and a
// failure must name a real place in the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "cson/cson.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  zokCSON::Value out = "untouched";
  zokCSON::Error error;
  zokCSON::ErrorCode code = zokCSON::ParseText(text, out, &error);
  if (code != error.code) {
    std::abort();
  }
  if (code != zokCSON::ErrorCode::Ok) {
    // Line and column are 1-based and cannot lie beyond the text.
    if (error.line < 1 || error.column < 1 || error.line > size + 1 || error.column > size + 1) {
      std::abort();
    }
    if (!(out == zokCSON::Value("untouched"))) {
      std::abort();
    }
  }
  return 0;
}

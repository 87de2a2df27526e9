#include "localization/kindtexts.h"

std::vector<const char*> KindTextKeys(RKKindText text) {
  std::vector<const char*> keys;
  for (std::size_t row = 0; row < std::size(KIND_TABLE); ++row) {
    if (FirstWithKindTextKey(row, text)) keys.push_back(KindTextKey(KIND_TABLE[row], text));
  }
  return keys;
}

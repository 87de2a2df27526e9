#include "langtool/langcheck.h"

#include <algorithm>
#include <cstddef>
#include <list>
#include <map>
#include <set>
#include <unordered_map>

#include "core/colorcode.h"
#include "core/glyphs.h"
#include "core/layout.h"
#include "core/message.h"
#include "cson/cson.h"
#include "cson/utf8.h"
#include "localization/catalogue.h"
#include "localization/localization.h"
#include "world/entity.h"

namespace {

// A place in the file: 1-based line and column, the column counted in bytes as the reader does.
struct RKSpot {
  std::uint64_t line = 1;
  std::uint64_t column = 1;
};

// Where the bytes of a string value come from in the file. The reader gives where the string
// starts; its bytes are found by reading it once more with the format's escapes: a quoted
// string stays on its line, a triple-quoted one and a bare word are taken as written. Empty
// when what is read here is not the value (the checker then points at the string's start).
std::vector<RKSpot> ByteSpots(std::string_view text, const std::vector<std::size_t>& lineStarts,
                              const zokCSON::Value& value) {
  const zokCSON::Position start = value.Where();
  if (!value.IsString() || !start.Known() || start.line > lineStarts.size()) return {};
  std::size_t at = lineStarts[start.line - 1] + start.column - 1;
  std::uint64_t line = start.line;
  std::uint64_t column = start.column;
  std::string decoded;
  std::vector<RKSpot> spots;
  auto take = [&](char c, RKSpot spot) {
    decoded += c;
    spots.push_back(spot);
  };
  auto step = [&](std::size_t count) {
    for (; count > 0 && at < text.size(); --count, ++at) {
      if (text[at] == '\n') {
        ++line;
        column = 1;
      } else {
        ++column;
      }
    }
  };
  auto hex = [&](std::size_t from, unsigned& codePoint) {
    codePoint = 0;
    for (std::size_t k = from; k < from + 4; ++k) {
      if (k >= text.size() || zokCSON::HexDigitValue(text[k]) < 0) return false;
      codePoint = codePoint * 16 + static_cast<unsigned>(zokCSON::HexDigitValue(text[k]));
    }
    return true;
  };
  if (text.substr(at, 3) == R"(""")") {
    step(3);
    while (at < text.size() && text.substr(at, 3) != R"(""")") {
      take(text[at], {line, column});
      step(1);
    }
  } else if (at < text.size() && (text[at] == '"' || text[at] == '\'')) {
    const char delimiter = text[at];
    step(1);
    while (at + 1 < text.size() && text[at] != delimiter && text[at] != '\n') {
      const RKSpot spot{line, column};
      if (text[at] != '\\') {
        take(text[at], spot);
        step(1);
        continue;
      }
      const char escape = text[at + 1];
      unsigned codePoint = 0;
      if (escape != 'u') {
        take(escape == 'n' ? '\n' : escape == 'r' ? '\r' : escape == 't' ? '\t' : escape, spot);
        step(2);
        continue;
      }
      if (!hex(at + 2, codePoint)) return {};
      step(6);
      unsigned low = 0;
      if (codePoint >= 0xD800 && codePoint <= 0xDBFF && text.substr(at, 2) == "\\u" &&
          hex(at + 2, low)) {
        codePoint = 0x10000 + (codePoint - 0xD800) * 0x400 + (low - 0xDC00);
        step(6);
      }
      std::string bytes;
      zokCSON::AppendUtf8(codePoint, bytes);
      for (char byte : bytes) take(byte, spot);
    }
  } else {
    for (std::size_t k = 0; k < value.AsString().size() && at < text.size(); ++k) {
      take(text[at], {line, column});
      step(1);
    }
  }
  if (decoded != value.AsString()) return {};
  return spots;
}

// One glyph of a text as the game draws it, and the byte of the file's string it comes from.
struct RKGlyph {
  unsigned char code;
  std::size_t from;
  bool reported;  // its character already has an error; no second one for it
};

std::string CodePointName(unsigned codePoint) {
  static const char* const HEX = "0123456789ABCDEF";
  std::string digits;
  for (unsigned rest = codePoint; rest != 0 || digits.size() < 4; rest >>= 4) {
    digits.insert(digits.begin(), HEX[rest & 15]);
  }
  return "U+" + digits;
}

// How a translator writes the code point in a language file: backslash, u, four digits.
std::string EscapeOf(unsigned codePoint) {
  static const char* const HEX = "0123456789abcdef";
  std::string escape = "\\\\u";
  for (int shift = 12; shift >= 0; shift -= 4) escape += HEX[(codePoint >> shift) & 15];
  return escape;
}

// The character itself, for the message, when the terminal can show it.
std::string Shown(unsigned codePoint) {
  if (codePoint < 32 || codePoint == 127 || (codePoint >= 128 && codePoint < 160)) return "";
  std::string text = "\"";
  zokCSON::AppendUtf8(codePoint, text);
  return text + "\" ";
}

std::string NoGlyph(unsigned codePoint) {
  std::string message =
      Shown(codePoint) + "(" + CodePointName(codePoint) + ") has no glyph in the font";
  if (codePoint < 256 && IsFrameGlyph(static_cast<unsigned char>(codePoint))) {
    message += ": its place holds a frame piece";
  }
  return message;
}

// The Latin-1 letter a small letter without a capital in the font may be written as instead.
char PlainCapital(unsigned char small) {
  if (small >= 0xE8 && small <= 0xEB) return 'E';
  if (small == 0xEC || small == 0xED) return 'I';
  if (small == 0xFB) return 'U';
  if (small == 0xFF) return 'Y';
  return '?';
}

std::list<std::string> Wrap(const std::string& text, int columns) {
  RKMessage wrapper;
  std::list<std::string> lines;
  wrapper.WordWarp(text, lines, static_cast<unsigned>(columns * GLYPH_SIZE), true);
  return lines;
}

// The pieces of the text between the separators: one more than there are separators.
std::vector<std::string> Split(std::string_view text, std::string_view separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t at = text.find(separator); at != std::string_view::npos;
       at = text.find(separator, start)) {
    parts.emplace_back(text.substr(start, at - start));
    start = at + separator.size();
  }
  parts.emplace_back(text.substr(start));
  return parts;
}

std::string Capitalised(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// What each token of the key holds, from the table's note ("attacker, target, damage").
std::vector<std::string> TokenHolds(const RKCatalogueKey& row) {
  const std::string about = row.about;
  if (TokenCount(row) <= 1) return {about};
  std::vector<std::string> holds;
  for (std::size_t start = 0; start <= about.size();) {
    std::size_t comma = about.find(", ", start);
    if (comma == std::string::npos) comma = about.size();
    holds.push_back(about.substr(start, comma - start));
    start = comma + 2;
  }
  return holds;
}

class RKChecker {
 public:
  explicit RKChecker(std::string_view text) : text(text) {}
  std::vector<RKLangIssue> Run();

 private:
  void Report(bool error, RKSpot spot, std::string message) {
    issues.push_back({error, spot.line, spot.column, std::move(message)});
  }
  // Where a key is written, or its nearest written parent, or the top of the file.
  RKSpot KeySpot(const std::string& path) const;
  RKSpot ValueSpot(const std::string& path) const;
  RKSpot ByteSpot(const std::string& path, std::size_t byte) const;
  void CollectLeaves(const zokCSON::Value::Object& object, const std::string& prefix);
  void PlaceKeys(const zokCSON::Value& root, const std::vector<zokCSON::KeyPosition>& keys);
  void ReportOverlongTexts();
  std::vector<RKGlyph> DecodeGlyphs(const std::string& path, const std::string& text);
  void CheckLanguageList(const zokCSON::Value& list);
  void CheckCatalogue(const zokCSON::Value& root);
  void CheckCapitals(const RKCatalogueKey& row, const std::vector<RKGlyph>& glyphs);
  void CheckTokens(const RKCatalogueKey& row, const std::string& shown,
                   const std::vector<RKGlyph>& glyphs);
  void CheckColourCodes(const RKCatalogueKey& row, const std::string& shown,
                        const std::vector<RKGlyph>& glyphs);
  void CheckRoom(const RKCatalogueKey& row, const std::string& shown);
  void CheckHelpBox();
  std::string Filled(const RKCatalogueKey& row, const std::string& shown) const;

  std::string_view text;
  std::vector<std::size_t> lineStarts;                     // the offset of each line of the text
  std::map<zokCSON::Position, std::string> objectPaths;    // every object, by where it starts
  std::unordered_map<std::string, RKSpot> keySpots;        // every key, by its path
  std::vector<std::pair<std::string, RKSpot>> duplicates;  // a path met again, at its key
  std::map<std::string, const zokCSON::Value*> leaves;     // every non-object member, by path
  std::map<std::string, std::vector<RKSpot>> byteSpots;    // of the string leaves, when known
  RKLocalization language;                                 // the file as the game loads it
  std::string longestName;                                 // of the player, a guard or an item
  std::string longestShownName;  // of everything the names under the mouse show
  std::string longestWord;
  std::string longestReason;  // why a file could not be written
  std::vector<RKLangIssue> issues;
};

RKSpot RKChecker::KeySpot(const std::string& path) const {
  for (std::string at = path; !at.empty();) {
    if (auto found = keySpots.find(at); found != keySpots.end()) return found->second;
    const std::size_t dot = at.rfind('.');
    at = dot == std::string::npos ? std::string() : at.substr(0, dot);
  }
  return {};
}

RKSpot RKChecker::ValueSpot(const std::string& path) const {
  auto leaf = leaves.find(path);
  if (leaf != leaves.end() && leaf->second->Where().Known()) {
    return {leaf->second->Where().line, leaf->second->Where().column};
  }
  return KeySpot(path);
}

RKSpot RKChecker::ByteSpot(const std::string& path, std::size_t byte) const {
  auto spots = byteSpots.find(path);
  if (spots != byteSpots.end() && byte < spots->second.size()) return spots->second[byte];
  return ValueSpot(path);
}

void RKChecker::CollectLeaves(const zokCSON::Value::Object& object, const std::string& prefix) {
  for (const auto& [key, value] : object) {
    const std::string path = prefix.empty() ? key : prefix + "." + key;
    if (value.IsObject()) {
      objectPaths[value.Where()] = path;
      CollectLeaves(value.AsObject(), path);
    } else {
      leaves[path] = &value;
    }
  }
}

// The places of the keys the reader listed, by path, and the ones written twice. Keys of
// objects that are not members of members (the entries of a list, or an object the reader
// dropped for a repeated key) have no path and are passed over.
void RKChecker::PlaceKeys(const zokCSON::Value& root,
                          const std::vector<zokCSON::KeyPosition>& keys) {
  objectPaths[root.Where()] = "";
  CollectLeaves(root.AsObject(), "");
  for (const zokCSON::KeyPosition& key : keys) {
    auto object = objectPaths.find(key.object);
    if (!key.object.Known() || object == objectPaths.end()) continue;
    const std::string path = object->second.empty() ? key.key : object->second + "." + key.key;
    const RKSpot spot{key.at.line, key.at.column};
    if (key.repeated) {
      duplicates.push_back({path, spot});
    } else {
      keySpots.emplace(path, spot);
    }
  }
  lineStarts.push_back(text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0);  // the reader skips the mark
  for (std::size_t at = text.find('\n'); at != std::string_view::npos;
       at = text.find('\n', at + 1)) {
    lineStarts.push_back(at + 1);
  }
  for (const auto& [path, value] : leaves) {
    std::vector<RKSpot> spots = ByteSpots(text, lineStarts, *value);
    if (!spots.empty()) byteSpots.emplace(path, std::move(spots));
  }
}

// The glyphs the game draws for the text, the way RKLocalization::NormalizeText makes them,
// reporting every character the font cannot show.
std::vector<RKGlyph> RKChecker::DecodeGlyphs(const std::string& path, const std::string& text) {
  std::vector<RKGlyph> glyphs;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\\' && i + 5 < text.size() && text[i + 1] == 'u') {
      unsigned codePoint = 0;
      bool hex = true;
      for (std::size_t k = i + 2; k < i + 6; ++k) {
        hex = hex && zokCSON::HexDigitValue(text[k]) >= 0;
        if (hex)
          codePoint = codePoint * 16 + static_cast<unsigned>(zokCSON::HexDigitValue(text[k]));
      }
      if (hex) {
        const bool shown = codePoint < 256 && ShowsLatin1(static_cast<unsigned char>(codePoint));
        if (codePoint > 255) {
          Report(true, ByteSpot(path, i), NoGlyph(codePoint) + " and shows as \"?\"");
        } else if (!shown) {
          Report(true, ByteSpot(path, i), NoGlyph(codePoint));
        }
        glyphs.push_back({codePoint > 255 ? static_cast<unsigned char>('?')
                                          : static_cast<unsigned char>(codePoint),
                          i, !shown});
        i += 6;
        continue;
      }
    }
    if (c == '\\' && i + 1 < text.size() && text[i + 1] == '\\') {
      glyphs.push_back({'\\', i, false});
      i += 2;
      continue;
    }
    unsigned codePoint = 0;
    std::size_t length = 0;
    if (c >= 0x80 && zokCSON::DecodeUtf8(text, i, codePoint, length)) {
      // Every byte of it reaches the font as a glyph of its own.
      if (codePoint < 256 && ShowsLatin1(static_cast<unsigned char>(codePoint))) {
        Report(true, ByteSpot(path, i),
               Shown(codePoint) + "(" + CodePointName(codePoint) +
                   ") is stored as UTF-8 and shows as " + std::to_string(length) +
                   " wrong glyphs: write it as " + EscapeOf(codePoint));
      } else {
        Report(true, ByteSpot(path, i), NoGlyph(codePoint));
      }
      for (std::size_t k = 0; k < length; ++k) {
        glyphs.push_back({static_cast<unsigned char>(text[i + k]), i + k, true});
      }
      i += length;
      continue;
    }
    if (!ShowsLatin1(c)) {
      std::string message = "control character " + NoGlyph(c);
      if (c == '\n') message += ": a box breaks its lines at \\n";
      Report(true, ByteSpot(path, i), message);
    }
    glyphs.push_back({c, i, !ShowsLatin1(c)});
    ++i;
  }
  return glyphs;
}

void RKChecker::CheckCapitals(const RKCatalogueKey& row, const std::vector<RKGlyph>& glyphs) {
  for (const RKGlyph& glyph : glyphs) {
    if (glyph.reported) continue;
    const unsigned char small = glyph.code;
    const RKSpot spot = ByteSpot(row.key, glyph.from);
    if (small == 0xDF) {
      Report(false, spot,
             "\"\xC3\x9F\" stays small in capitals and has no capital in the font: SS may read "
             "better");
      continue;
    }
    if (small < 0xE0 || small == 0xF7) continue;
    const unsigned capital = small - 0x20u;
    std::string message = Shown(small) + "stays small when the game writes this text in capitals";
    if (small != 0xFF && ShowsLatin1(static_cast<unsigned char>(capital))) {
      message += ": write its capital " + EscapeOf(capital);
    } else {
      message +=
          ", and the font has no capital of it: write " + std::string(1, PlainCapital(small));
    }
    Report(true, spot, message);
  }
}

void RKChecker::CheckTokens(const RKCatalogueKey& row, const std::string& shown,
                            const std::vector<RKGlyph>& glyphs) {
  const int count = TokenCount(row);
  const std::vector<std::string> holds = TokenHolds(row);
  std::set<int> found;
  for (std::size_t open = shown.find('{'); open != std::string::npos;
       open = shown.find('{', open + 1)) {
    std::size_t close = open + 1;
    while (close < shown.size() && shown[close] >= '0' && shown[close] <= '9') ++close;
    if (close == open + 1 || close >= shown.size() || shown[close] != '}') continue;
    const std::string digits = shown.substr(open + 1, close - open - 1);
    const int number = digits.size() > 4 ? 9999 : std::stoi(digits);
    if (digits.size() > 1 && digits[0] == '0') {
      Report(true, ByteSpot(row.key, glyphs[open].from),
             "{" + digits + "} is not a token and shows as written: write {" +
                 std::to_string(number) + "}");
    } else if (number >= count) {
      Report(
          true, ByteSpot(row.key, glyphs[open].from),
          "{" + digits + "} is not filled by the game and shows as written" +
              (count == 0   ? std::string(": this text gets no tokens")
               : count == 1 ? std::string(": the English text has only {0}")
                            : ": the English text has {0} to {" + std::to_string(count - 1) + "}"));
    } else {
      found.insert(number);
    }
  }
  for (int i = 0; i < count; ++i) {
    if (found.count(i) == 0) {
      std::string message = "lacks {" + std::to_string(i) + "}";
      if (static_cast<int>(holds.size()) == count) message += " (" + holds[i] + ")";
      message += ", which the English text has";
      Report(true, ValueSpot(row.key), message);
    }
  }
}

void RKChecker::CheckColourCodes(const RKCatalogueKey& row, const std::string& shown,
                                 const std::vector<RKGlyph>& glyphs) {
  for (std::size_t at = shown.find("^C"); at != std::string::npos; at = shown.find("^C", at + 1)) {
    const RKSpot spot = ByteSpot(row.key, glyphs[at].from);
    const RKColorCode code = ReadColorCode(shown, at);
    if (code.color >= 0) {
      if (code.terminator + 1 >= shown.size()) {
        Report(true, spot, "\"" + shown.substr(at) + "\" at the end colours nothing");
      }
      continue;
    }
    // No code: say what is missing, reading the plain digits a translator means to write.
    std::size_t end = at + 2;
    while (end < shown.size() && shown[end] >= '0' && shown[end] <= '9') ++end;
    const std::string digits = shown.substr(at + 2, end - at - 2);
    if (digits.empty()) {
      Report(true, spot, "\"^C\" needs a colour number from 0 to 15, or it shows as written");
    } else if (digits.size() > 2 || std::stoi(digits) > 15) {
      Report(true, spot,
             "colour " + digits + " does not exist (0 to 15): the code shows as written");
    } else {
      Report(true, spot,
             "\"^C" + digits +
                 "\" needs \"^\" (one character) or \"|\" (the rest) after its number, "
                 "or it shows as written");
    }
  }
}

// Texts the game breaks over several lines of their place by itself.
bool WrapsOverLines(RKTextUse use) {
  return use == RKTextUse::Log || use == RKTextUse::Prompt || use == RKTextUse::Sentence ||
         use == RKTextUse::Help;
}

// The text with every token filled with the widest thing the game may put there.
std::string RKChecker::Filled(const RKCatalogueKey& row, const std::string& shown) const {
  std::vector<std::string> values;
  for (char kind : std::string_view(row.tokens)) {
    switch (kind) {
      case 'N':
      case 'G':  // any name: a guard's is not told apart
        values.push_back(longestName);
        break;
      case 'W':
        values.push_back(longestWord);
        break;
      case 'B':  // a pad's button, named as wide as a word may be
        values.push_back(std::string(WORD_COLUMNS, 'W'));
        break;
      case 'L':
        values.push_back(std::string(LANGUAGE_NAME_COLUMNS, 'W'));
        break;
      case 'R':
        values.push_back(longestReason);
        break;
      case 'V':
        values.push_back("99.99");
        break;
      default:
        values.push_back("9999");
        break;
    }
  }
  return language.ReplaceTokens(shown, values);
}

void RKChecker::CheckRoom(const RKCatalogueKey& row, const std::string& shown) {
  const RKTextPlace& place = TextPlace(row.use);
  const int room = place.columns - place.added;
  const RKSpot spot = ValueSpot(row.key);
  const std::string filledIn = Filled(row, shown);
  const std::string text = place.capitalised ? Capitalised(filledIn) : filledIn;
  const std::string filled = TokenCount(row) > 0 ? " with its tokens filled in" : "";
  auto tooWide = [&](int cells) {
    std::string message = "too long for the " + std::string(place.where) + ": " +
                          std::to_string(cells) + " cells" + filled + ", where " +
                          std::to_string(room) + " fit";
    if (place.added > 0) message += " (" + std::string(place.beside) + ")";
    Report(true, spot, message);
  };

  const bool breaks = row.use == RKTextUse::Box || row.use == RKTextUse::Help;
  if (!breaks && filledIn.find("\\n") != std::string::npos) {
    Report(true, spot,
           "\\n is shown as written here: the " + std::string(place.where) + " has no line breaks");
  }
  if (WrapsOverLines(row.use)) {
    const std::list<std::string> lines = Wrap(text, place.columns);
    for (const std::string& line : lines) {
      if (VisibleCells(line) > place.columns) {
        Report(true, spot,
               "\"" + line + "\" is longer than the " + std::to_string(place.columns) +
                   " cells of the " + place.where + " and runs past its edge");
      }
    }
    const int count = static_cast<int>(lines.size());
    if (row.use == RKTextUse::Log && count > LOG_SHOWN_LINES) {
      Report(true, spot,
             "takes " + std::to_string(count) + " lines" + filled + ": the message log shows " +
                 std::to_string(LOG_SHOWN_LINES));
    } else if (count > place.lines) {
      Report(false, spot,
             "takes " + std::to_string(count) + " lines of the " + place.where + filled +
                 ": keep it to " + std::to_string(place.lines));
    }
    return;
  }
  // A name too long on its own has its report already; the unconscious form would repeat it.
  if (row.use == RKTextUse::Name && TokenCount(row) > 0 && VisibleCells(longestName) > room) {
    return;
  }
  if (row.use == RKTextUse::Separator) {
    const int cells = VisibleCells(longestShownName + text + longestShownName);
    // A name too long on its own has its report already.
    if (cells > room && VisibleCells(longestShownName) <= NAME_COLUMNS) {
      Report(true, spot,
             "two of the longest names with this between them take " + std::to_string(cells) +
                 " cells of the " + std::to_string(NAMES_COLUMNS) + " under the map");
    }
    return;
  }
  for (const std::string& part : Split(text, "\\n")) {
    const int cells = VisibleCells(part);
    if (cells > room) tooWide(cells);
  }
}

// The help box is as wide as its widest line on screen, but wraps its lines by their bytes,
// colour codes included: a coloured line that is as wide as the widest breaks in two.
void RKChecker::CheckHelpBox() {
  int widest = 0;
  for (const RKCatalogueKey& row : CATALOGUE_KEYS) {
    if (row.use == RKTextUse::Help || std::string_view(row.key) == "menu.help.header") {
      widest = std::max(widest, VisibleCells(language.T(row.key)));
    }
  }
  const int wrap = std::min(widest, BOX_TEXT_COLUMNS);
  for (const RKCatalogueKey& row : CATALOGUE_KEYS) {
    if (row.use != RKTextUse::Help || leaves.count(row.key) == 0) continue;
    const std::string text = language.T(row.key);
    if (VisibleCells(text) <= BOX_TEXT_COLUMNS && Wrap(text, wrap).size() > 1) {
      Report(true, ValueSpot(row.key),
             "breaks in two in the help box: with its colour codes it takes " +
                 std::to_string(text.size()) + " cells of the " + std::to_string(wrap) +
                 " the widest help line gives; shorten it");
    }
  }
}

// The language list rather than a language: every entry usable, its name one the font shows,
// every code once, and the default among them.
void RKChecker::CheckLanguageList(const zokCSON::Value& list) {
  const zokCSON::Value& languages = *list.Find("languages");
  if (!languages.IsArray()) {
    Report(true, ValueSpot("languages"), "\"languages\" must be a list of languages in [ ]");
    return;
  }
  const std::size_t count = languages.Size();
  auto entrySpot = [this, &languages](std::size_t i) {
    const zokCSON::Position at = languages[i].Where();
    return at.Known() ? RKSpot{at.line, at.column} : KeySpot("languages");
  };
  std::set<std::string> codes;
  for (std::size_t i = 0; i < count; ++i) {
    const zokCSON::Value& entry = languages[i];
    auto text = [&entry](const char* key) {
      const zokCSON::Value* value = entry.Find(key);
      return value != nullptr && value->IsString() ? value->AsString() : std::string();
    };
    const std::string code = text("code");
    if (!entry.IsObject() || code.empty() || text("file").empty()) {
      Report(true, entrySpot(i),
             "a language needs a code and a file, or the game leaves it out of the list");
      continue;
    }
    // Where the entry's value of `key` is written, or the entry's own place.
    auto memberSpot = [&entry, &entrySpot, i](const char* key) {
      const zokCSON::Position at = entry.Find(key)->Where();
      return at.Known() ? RKSpot{at.line, at.column} : entrySpot(i);
    };
    if (code.size() > MAX_LANGUAGE_CODE_BYTES) {
      Report(true, memberSpot("code"), OverlongCodeMessage(code.size()));
      continue;
    }
    if (!codes.insert(code).second) {
      Report(true, entrySpot(i), "\"" + code + "\" is listed twice: the game uses the first");
    }
    const std::string name = text("name");
    if (const std::size_t cells = RKLocalization::NormalizeText(name).size();
        cells > static_cast<std::size_t>(LANGUAGE_NAME_COLUMNS)) {
      Report(true, memberSpot("name"), OverlongNameMessage(code, cells));
      continue;
    }
    if (name.empty()) {
      Report(false, entrySpot(i), "\"" + code + "\" has no name: the options menu shows none");
    }
    const std::size_t before = issues.size();
    DecodeGlyphs("", name);
    for (std::size_t k = before; k < issues.size(); ++k) {
      const RKSpot spot = entrySpot(i);
      issues[k].line = spot.line;
      issues[k].column = spot.column;
      issues[k].message = "the name of \"" + code + "\": " + issues[k].message;
    }
  }
  const zokCSON::Value* defaultCode = list.Find("default");
  if (defaultCode != nullptr && defaultCode->IsString() && !defaultCode->AsString().empty() &&
      codes.count(defaultCode->AsString()) == 0) {
    Report(true, ValueSpot("default"),
           "the default \"" + defaultCode->AsString() + "\" is not in the list");
  }
}

std::vector<RKLangIssue> RKChecker::Run() {
  zokCSON::Value root;
  zokCSON::Error error;
  std::vector<zokCSON::KeyPosition> keys;
  if (zokCSON::ParseText(text, root, &error, &keys) != zokCSON::ErrorCode::Ok) {
    // The reader leaves a few faults without words (a backslash ending the file): name them.
    Report(true, {error.line, error.column},
           error.message.empty()
               ? std::string("the file does not read: ") + zokCSON::ErrorCodeName(error.code)
               : error.message);
    return issues;
  }
  if (!root.IsObject()) {
    Report(true, {}, "a language file holds keys and their texts, not a single value");
    return issues;
  }
  PlaceKeys(root, keys);
  const bool isList = root.Find("languages") != nullptr;
  if (isList && text.size() > MAX_LANGUAGE_LIST_BYTES) {
    Report(true, {1, 1}, OversizedLanguageListMessage(text.size()));
  } else if (!isList && text.size() > MAX_LANGUAGE_FILE_BYTES) {
    Report(true, {1, 1}, OversizedLanguageFileMessage(text.size()));
  }
  if (isList) {
    CheckLanguageList(root);
  } else {
    CheckCatalogue(root);
  }
  std::stable_sort(issues.begin(), issues.end(), [](const RKLangIssue& a, const RKLangIssue& b) {
    return a.line != b.line ? a.line < b.line : a.column < b.column;
  });
  return issues;
}

void RKChecker::ReportOverlongTexts() {
  for (const auto& [path, value] : leaves) {
    if (!value->IsString()) continue;
    const std::size_t bytes = RKLocalization::NormalizeText(value->AsString()).size();
    if (bytes > MAX_LANGUAGE_TEXT_BYTES) {
      Report(true, ValueSpot(path), OverlongTextMessage(path, bytes));
    }
  }
  std::stable_sort(issues.begin(), issues.end(), [](const RKLangIssue& a, const RKLangIssue& b) {
    return a.line != b.line ? a.line < b.line : a.column < b.column;
  });
}

void RKChecker::CheckCatalogue(const zokCSON::Value& root) {
  // The game refuses a file holding such a text; the other checks would only take long on it.
  ReportOverlongTexts();
  if (!issues.empty()) return;
  language.FlattenTranslations(root.AsObject(), "");
  auto keepLongest = [](std::string& longest, const std::string& candidate) {
    if (VisibleCells(candidate) > VisibleCells(longest)) longest = candidate;
  };
  // Any name may be the longest; under the mouse a guard's also comes in its unconscious form.
  for (const auto& [name, key] : language.entityNameKeys) {
    keepLongest(longestName, language.LocalizeEntityName(name));
    keepLongest(longestShownName,
                language.LocalizeEntityName(std::string(UNCONSCIOUS_NAME_PREFIX) + name));
  }
  keepLongest(longestShownName, longestName);
  for (const char* key : {"common.on", "common.off", "common.yes", "common.no"}) {
    const std::string word = language.T(key);
    if (VisibleCells(word) > VisibleCells(longestWord)) longestWord = word;
  }
  for (const char* key : {"menu.saveFailed.cannotCreate", "menu.saveFailed.cannotWrite",
                          "menu.saveFailed.refused", "menu.saveFailed.notKept"}) {
    const std::string reason = language.T(key);
    if (VisibleCells(reason) > VisibleCells(longestReason)) longestReason = reason;
  }

  for (const auto& [path, spot] : duplicates) {
    Report(true, spot,
           "\"" + path + "\" is written again: the game keeps the first and ignores this one");
  }
  std::set<std::string> known;
  for (const RKCatalogueKey& row : CATALOGUE_KEYS) {
    known.insert(row.key);
    auto leaf = leaves.find(row.key);
    if (leaf == leaves.end()) {
      Report(true, KeySpot(row.key),
             "missing \"" + std::string(row.key) + "\" (" + TextPlace(row.use).where + ")");
      continue;
    }
    if (!leaf->second->IsString()) {
      Report(true, ValueSpot(row.key), "\"" + std::string(row.key) + "\" must be a text in quotes");
      continue;
    }
    const std::string& written = leaf->second->AsString();
    if (written.empty()) {
      Report(false, ValueSpot(row.key),
             "\"" + std::string(row.key) + "\" is empty: nothing is shown");
      continue;
    }
    std::vector<RKGlyph> glyphs = DecodeGlyphs(row.key, written);
    std::string shown;
    for (const RKGlyph& glyph : glyphs) shown += static_cast<char>(glyph.code);
    // The game's own decoding has the last word; should it ever read a text differently,
    // the checks go by what it shows and point at the text's start.
    if (shown != language.T(row.key)) {
      shown = language.T(row.key);
      glyphs.assign(shown.size(), RKGlyph{0, std::string::npos, true});
      for (std::size_t i = 0; i < shown.size(); ++i) {
        glyphs[i].code = static_cast<unsigned char>(shown[i]);
      }
    }
    if (TextPlace(row.use).capitalised) CheckCapitals(row, glyphs);
    CheckTokens(row, shown, glyphs);
    CheckColourCodes(row, shown, glyphs);
    CheckRoom(row, shown);
  }
  CheckHelpBox();
  for (const auto& [path, value] : leaves) {
    if (known.count(path) == 0) {
      Report(false, KeySpot(path), "unknown key \"" + path + "\": the game never shows it");
    }
  }
}

}  // namespace

std::vector<RKLangIssue> CheckLanguageText(std::string_view text) {
  RKChecker checker(text);
  return checker.Run();
}

bool EscapeForLanguageFile(std::string_view utf8, std::string& out) {
  const std::string text(utf8);
  out.clear();
  for (std::size_t i = 0; i < text.size();) {
    unsigned codePoint = static_cast<unsigned char>(text[i]);
    std::size_t length = 1;
    if (codePoint >= 0x80 && !zokCSON::DecodeUtf8(text, i, codePoint, length)) return false;
    if (codePoint > 255 || !ShowsLatin1(static_cast<unsigned char>(codePoint))) return false;
    if (codePoint == '"') {
      out += "\\\"";
    } else if (codePoint == '\\') {
      out += "\\\\\\\\";  // the file format and then the catalogue each halve it
    } else if (codePoint < 128) {
      out += static_cast<char>(codePoint);
    } else {
      out += EscapeOf(codePoint);
    }
    i += length;
  }
  return true;
}

namespace {

// The comment above a key in a new language file.
std::string TemplateComment(const RKCatalogueKey& row) {
  const RKTextPlace& place = TextPlace(row.use);
  std::string comment = std::string("# ") + place.where;
  if (place.capitalised) comment += ", in capitals";
  if (place.added > 0) comment += std::string(", ") + place.beside;
  comment += ": ";
  const int room = place.columns - place.added;
  if (WrapsOverLines(row.use)) {
    comment += "lines of " + std::to_string(place.columns) + " cells, at most " +
               std::to_string(place.lines) + " lines";
  } else if (row.use == RKTextUse::Separator) {
    comment += "two names and this take at most " + std::to_string(place.columns) + " cells";
  } else {
    comment += "at most " + std::to_string(room) + " cells";
  }
  const int count = TokenCount(row);
  if (count > 0) {
    const std::vector<std::string> holds = TokenHolds(row);
    comment += ";";
    for (int i = 0; i < count; ++i) {
      comment += " {" + std::to_string(i) + "}";
      if (static_cast<int>(holds.size()) == count) comment += " " + holds[i];
      if (i + 1 < count) comment += ",";
    }
  }
  return comment;
}

}  // namespace

// The keys of the table as nested objects, each object where its first key puts it, so that a
// row added anywhere in the table still lands in its object.
struct RKTemplateNode {
  std::string name;
  const RKCatalogueKey* row;  // a text; null for an object
  std::vector<RKTemplateNode> children;
};

void WriteTemplateNodes(const std::vector<RKTemplateNode>& nodes, std::size_t depth,
                        const zokCSON::Value& english, std::string& out) {
  const std::string indent(2 * depth, ' ');
  for (const RKTemplateNode& node : nodes) {
    if (node.row == nullptr) {
      if (depth == 0) out += "\n";
      out += indent + node.name + ":\n";
      WriteTemplateNodes(node.children, depth + 1, english, out);
      continue;
    }
    const zokCSON::Value* text = &english;
    for (const std::string& part : Split(node.row->key, ".")) {
      text = text != nullptr ? text->Find(part) : nullptr;
    }
    std::string quoted;
    zokCSON::detail::WriteStringQuoted(text != nullptr && text->IsString() ? text->AsString() : "",
                                       quoted);
    out += indent + TemplateComment(*node.row) + "\n" + indent + node.name + ": " + quoted + "\n";
  }
}

bool MakeLanguageTemplate(std::string_view englishText, const std::string& code,
                          const std::string& name, std::string& out, std::string& why) {
  zokCSON::Value english;
  zokCSON::Error error;
  if (zokCSON::ParseText(englishText, english, &error) != zokCSON::ErrorCode::Ok ||
      !english.IsObject()) {
    why = "the English file does not read: " +
          (error.message.empty() ? std::string("it is not an object of texts")
                                 : std::to_string(error.line) + ":" + std::to_string(error.column) +
                                       ": " + error.message);
    return false;
  }
  out = "# " + name + " (" + code +
        ").\n"
        "#\n"
        "# Made by `tvk-lang new` with every text in English: translate each in place, then run\n"
        "# `tvk-lang check` on this file. The comment above a text says where the game shows it\n"
        "# and how many cells (characters) it may take there. The game fills the tokens {0},\n"
        "# {1}, ... in; keep every one the comment names. Write a character beyond ASCII as the\n"
        "# escape of its code point with a doubled backslash (\\\\u00e9 for e acute); texts the\n"
        "# game shows in capitals need capital accented letters. Help lines colour their map\n"
        "# symbol with \"^C\" + colour number + \"^\".\n";
  RKTemplateNode top;
  for (const RKCatalogueKey& row : CATALOGUE_KEYS) {
    RKTemplateNode* node = &top;
    std::vector<std::string> parts = Split(row.key, ".");
    const std::string leaf = parts.back();
    parts.pop_back();
    for (const std::string& part : parts) {
      auto child =
          std::find_if(node->children.begin(), node->children.end(),
                       [&part](const RKTemplateNode& n) { return n.name == part && !n.row; });
      if (child == node->children.end()) {
        node->children.push_back({part, nullptr, {}});
        child = std::prev(node->children.end());
      }
      node = &*child;
    }
    node->children.push_back({leaf, &row, {}});
  }
  WriteTemplateNodes(top.children, 0, english, out);
  return true;
}

bool AddLanguageToList(std::string& listText, const std::string& code, const std::string& name,
                       const std::string& file, std::string& why) {
  zokCSON::Value list;
  zokCSON::Error error;
  if (zokCSON::ParseText(listText, list, &error) != zokCSON::ErrorCode::Ok) {
    why = "the language list does not read: " + std::to_string(error.line) + ":" +
          std::to_string(error.column) + ": " + error.message;
    return false;
  }
  const zokCSON::Value* languages = list.Find("languages");
  if (languages == nullptr || !languages->IsArray()) {
    why = "the language list has no \"languages\" list";
    return false;
  }
  for (const zokCSON::Value& entry : languages->AsArray()) {
    const zokCSON::Value* listed = entry.Find("code");
    if (listed != nullptr && listed->IsString() && listed->AsString() == code) {
      why = "the language list already has " + code;
      return false;
    }
  }
  std::string quotedCode, quotedFile;
  zokCSON::detail::WriteStringQuoted(code, quotedCode);
  zokCSON::detail::WriteStringQuoted(file, quotedFile);
  // The name is already written the way language files write texts (EscapeForLanguageFile).
  const std::string line =
      "{code: " + quotedCode + ", name: \"" + name + "\", file: " + quotedFile + "}";
  // The list's closing bracket on a line of its own, after the line that opens it.
  std::size_t opening = std::string::npos;
  std::size_t lineStart = 0;
  std::size_t closing = std::string::npos;
  std::string entryIndent = "  ";
  while (lineStart < listText.size()) {
    std::size_t lineEnd = listText.find('\n', lineStart);
    if (lineEnd == std::string::npos) lineEnd = listText.size();
    const std::string lineText = listText.substr(lineStart, lineEnd - lineStart);
    const std::size_t first = lineText.find_first_not_of(" ");
    const std::string content = first == std::string::npos ? "" : lineText.substr(first);
    if (opening == std::string::npos) {
      if (content.rfind("languages", 0) == 0 && content.find('[') != std::string::npos &&
          content.find(']') == std::string::npos) {
        opening = lineStart;
      }
    } else if (content.rfind("]", 0) == 0) {
      closing = lineStart;
      break;
    } else if (content.rfind("{", 0) == 0) {
      entryIndent = lineText.substr(0, first);
    }
    lineStart = lineEnd + 1;
  }
  if (closing == std::string::npos) {
    why = "the language list is not written one language a line; add this line to it: " + line;
    return false;
  }
  std::string updated = listText;
  updated.insert(closing, entryIndent + line + "\n");
  zokCSON::Value check;
  const zokCSON::Value* added = nullptr;
  if (zokCSON::ParseText(updated, check, nullptr) == zokCSON::ErrorCode::Ok &&
      check.Find("languages") != nullptr && check.Find("languages")->IsArray() &&
      check.Find("languages")->Size() == languages->Size() + 1) {
    added = &check.Find("languages")->AsArray().back();
  }
  if (added == nullptr || added->Find("code") == nullptr || !added->Find("code")->IsString() ||
      added->Find("code")->AsString() != code) {
    why = "the language list is laid out in a way this tool cannot extend; add this line to it: " +
          line;
    return false;
  }
  listText = std::move(updated);
  return true;
}

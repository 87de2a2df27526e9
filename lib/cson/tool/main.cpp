// cson: checks, converts and reformats CSON files for translators and modders.
//
//   cson check FILE...               one line per failing file, exit 1 when any fails
//   cson json FILE                   the document as JSON (a number too large for it is an error)
//   cson format [--sort-keys] FILE   the document as the game would write it
//
// "-" reads standard input. Exit 0 on success, 1 on a document error, 2 on usage or I/O errors.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "cson/cson.h"

namespace {

constexpr int EXIT_OK = 0;
constexpr int EXIT_DOCUMENT = 1;
constexpr int EXIT_USAGE = 2;

const char* const USAGE =
    "usage: cson check FILE...\n"
    "       cson json FILE\n"
    "       cson format [--sort-keys] FILE\n"
    "FILE may be - for standard input.\n";

int Usage() {
  std::cerr << USAGE;
  return EXIT_USAGE;
}

void PrintError(const std::string& name, const zokCSON::Error& error) {
  std::cerr << name << ':' << error.line << ':' << error.column << ": error: " << error.message
            << " [" << zokCSON::ErrorCodeName(error.code) << "]\n";
}

// Reads and parses one file ("-" for standard input). Returns an exit code: document errors are
// printed as FILE:LINE:COLUMN lines, files that cannot be read as plain messages.
int Load(const std::string& name, zokCSON::Value& out) {
  zokCSON::Error error;
  zokCSON::ErrorCode code;
  if (name == "-") {
    std::string text(std::istreambuf_iterator<char>(std::cin), {});
    if (std::cin.bad()) {
      std::cerr << "cson: -: Failed to read file\n";
      return EXIT_USAGE;
    }
    code = zokCSON::ParseText(text, out, &error);
  } else {
    std::string text;
    if (zokCSON::ReadFileText(name, text, &error) != zokCSON::ErrorCode::Ok) {
      std::cerr << "cson: " << name << ": " << error.message << '\n';
      return EXIT_USAGE;
    }
    code = zokCSON::ParseText(text, out, &error);
  }
  if (code != zokCSON::ErrorCode::Ok) {
    PrintError(name, error);
    return EXIT_DOCUMENT;
  }
  return EXIT_OK;
}

// Keeps in *first the place of the non-finite number (a too large exponent: the format has no
// literal for infinity or NaN) written first in the text, of those in value.
void FindFirstNonFiniteNumber(const zokCSON::Value& value, zokCSON::Position& first) {
  if (value.IsNumber() && !std::isfinite(value.AsNumber()) &&
      (!first.Known() || value.Where() < first)) {
    first = value.Where();
  } else if (value.IsArray()) {
    for (const zokCSON::Value& element : value.AsArray()) {
      FindFirstNonFiniteNumber(element, first);
    }
  } else if (value.IsObject()) {
    for (const auto& member : value.AsObject()) {
      FindFirstNonFiniteNumber(member.second, first);
    }
  }
}

// JSON has no infinity: a document holding one is refused, with the place of the first.
bool CheckFiniteNumbers(const std::string& name, const zokCSON::Value& value) {
  zokCSON::Error error;
  if (zokCSON::detail::ValidateFiniteNumbers(value, &error)) {
    return true;
  }
  zokCSON::Position first;
  FindFirstNonFiniteNumber(value, first);
  if (first.Known()) {
    error.line = first.line;
    error.column = first.column;
  }
  PrintError(name, error);
  return false;
}

// Loads a document that is to be written out again: every number in it must be finite.
int LoadWritable(const std::string& name, zokCSON::Value& out) {
  if (int result = Load(name, out); result != EXIT_OK) {
    return result;
  }
  return CheckFiniteNumbers(name, out) ? EXIT_OK : EXIT_DOCUMENT;
}

void AppendJsonString(const std::string& s, std::string& out) {
  static const char* const HEX = "0123456789abcdef";
  out += '"';
  for (char ch : s) {
    auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        if (c < 0x20) {
          out += "\\u00";
          out += HEX[c >> 4];
          out += HEX[c & 15];
        } else {
          out += ch;
        }
    }
  }
  out += '"';
}

// A finite number: the caller has refused documents with any other.
void AppendJsonNumber(double n, std::string& out) {
  char buffer[64];
  std::to_chars_result result;
  if (n == std::trunc(n) && std::fabs(n) < 9007199254740992.0) {
    // Whole numbers as integers, "-0" kept so that the sign survives.
    if (std::signbit(n) && n == 0) {
      out += '-';
    }
    result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(n));
  } else {
    result = std::to_chars(buffer, buffer + sizeof buffer, n);
  }
  out.append(buffer, result.ptr);
}

void AppendJson(const zokCSON::Value& value, std::string& out) {
  using Kind = zokCSON::Value::Kind;
  switch (value.GetKind()) {
    case Kind::Null:
      out += "null";
      break;
    case Kind::Boolean:
      out += value.AsBool() ? "true" : "false";
      break;
    case Kind::Number:
      AppendJsonNumber(value.AsNumber(), out);
      break;
    case Kind::String:
      AppendJsonString(value.AsString(), out);
      break;
    case Kind::Array: {
      out += '[';
      bool first = true;
      for (const zokCSON::Value& element : value.AsArray()) {
        if (!first) {
          out += ',';
        }
        first = false;
        AppendJson(element, out);
      }
      out += ']';
      break;
    }
    case Kind::Object: {
      out += '{';
      bool first = true;
      for (const auto& [key, member] :
           zokCSON::detail::OrderedObjectItems(value.AsObject(), true)) {
        if (!first) {
          out += ',';
        }
        first = false;
        AppendJsonString(std::string(key), out);
        out += ':';
        AppendJson(*member, out);
      }
      out += '}';
      break;
    }
  }
}

int Print(const std::string& text) {
  std::cout << text << '\n';
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "cson: failed to write standard output\n";
    return EXIT_USAGE;
  }
  return EXIT_OK;
}

int Check(const std::vector<std::string>& files) {
  if (files.empty()) {
    return Usage();
  }
  int worst = EXIT_OK;
  for (const std::string& name : files) {
    zokCSON::Value value;
    int result = Load(name, value);
    // An unreadable file outranks a bad document in the exit code.
    if (result == EXIT_USAGE || (result == EXIT_DOCUMENT && worst == EXIT_OK)) {
      worst = result;
    }
  }
  return worst;
}

int Json(const std::vector<std::string>& args) {
  if (args.size() != 1) {
    return Usage();
  }
  zokCSON::Value value;
  if (int result = LoadWritable(args[0], value); result != EXIT_OK) {
    return result;
  }
  std::string out;
  AppendJson(value, out);
  return Print(out);
}

int Format(std::vector<std::string> args) {
  zokCSON::WriteOptions options;
  if (!args.empty() && args[0] == "--sort-keys") {
    options.sortKeys = true;
    args.erase(args.begin());
  }
  if (args.size() != 1) {
    return Usage();
  }
  zokCSON::Value value;
  if (int result = LoadWritable(args[0], value); result != EXIT_OK) {
    return result;
  }
  std::string text;
  zokCSON::Error error;
  if (!zokCSON::WriteText(value, text, options, &error)) {
    PrintError(args[0], error);
    return EXIT_DOCUMENT;
  }
  return Print(text);
}

int Run(int argc, char** argv) {
  if (argc < 2) {
    return Usage();
  }
  std::string command = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "check") {
    return Check(args);
  }
  if (command == "json") {
    return Json(args);
  }
  if (command == "format") {
    return Format(args);
  }
  return Usage();
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  // Running out of memory on a huge file ends with the reason and the exit code of a file
  // that cannot be read, not with an abort.
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::cerr << "cson: " << e.what() << '\n';
    return EXIT_USAGE;
  }
}

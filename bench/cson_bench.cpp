// Reading and writing the game's three kinds of CSON file, against nlohmann-json on the same
// content. The documents are generated here, shaped like the real ones:
//   save       ~120 KB: 3200 map tiles, 60 entities of 15 members, an inventory, six messages,
//              with the keys the game's save uses
//   catalogue  one language's nested keys, ~180 strings, some of them non-ASCII
//   settings   a handful of options and the key bindings
// Each CSON benchmark also reports x_nlohmann: how many times faster than nlohmann-json it is on
// the same content, measured by alternating the two in the same run (parse against parse, write
// against dump). The goals: at least 2 for parsing the save, at least 1 for writing it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "cson/cson.h"

namespace {

using zokCSON::Value;

Value MakeSave()
{
    Value save;
    save["Version"] = "0.4";
    save["CurrentFloor"] = 3;
    save["GameState"] = 0;
    Value& tiles = save["Map"];
    for (int i = 0; i < 3200; ++i) {
        Value tile;
        tile["b"] = (i % 7) == 0 ? 1 : 0;
        tile["bs"] = (i % 7) == 0 ? 1 : 0;
        tile["e"] = (i % 3) != 0 ? 1 : 0;
        tiles.Append(std::move(tile));
    }
    save["NumEntities"] = 60;
    Value& entities = save["Entities"];
    for (int i = 0; i < 60; ++i) {
        Value e;
        e["X"] = i % 80;
        e["Y"] = i % 40;
        e["Appearance"] = 103 + i % 5;
        e["Color"] = i % 16;
        e["Name"] = i % 2 ? "Guard" : "First aid kit";
        e["Blocks"] = i % 2 == 1;
        e["Visible"] = true;
        e["Equippable"] = false;
        e["Fighter"] = i % 2 == 1;
        e["MaxHP"] = 16;
        e["HP"] = 10 + i % 7;
        e["Defense"] = i % 3;
        e["Power"] = 3 + i % 4;
        e["Level"] = 1;
        e["XP"] = 35.5;
        entities.Append(std::move(e));
    }
    const char* items[] = {"Baton", "Taser", "Riot shield", "First aid kit", "Stun grenade"};
    save["NumInventoryItems"] = 5;
    for (int i = 0; i < 5; ++i) {
        Value item;
        item["Order"] = i + 1;
        item["X"] = 0;
        item["Y"] = 0;
        item["Appearance"] = 40 + i;
        item["Color"] = 14;
        item["Name"] = items[i];
        item["Blocks"] = false;
        item["Visible"] = true;
        item["Equippable"] = i < 3;
        save["InventoryItems"].Append(std::move(item));
    }
    for (int i = 0; i < 6; ++i) {
        Value message;
        message["Order"] = i + 1;
        message["Message"] = "The guard hits you for " + std::to_string(i + 2) + " hit points.";
        save["Messages"].Append(std::move(message));
    }
    return save;
}

Value MakeCatalogue()
{
    const char* sections[] = {"menu", "message", "options", "help", "item", "entity"};
    const char* words[] = {"Neues Spiel", "Fortsetzen", "Einstellungen", "Schließen", "Lautstärke",
                           "Vollbild", "Tastenbelegung", "Übersicht", "Café", "naïve — ok"};
    Value catalogue;
    Value& language = catalogue["de"];
    int n = 0;
    for (const char* section : sections) {
        for (int group = 0; group < 5; ++group) {
            Value& g = language[section]["group" + std::to_string(group)];
            for (int k = 0; k < 6; ++k, ++n) {
                g["key" + std::to_string(k)] = std::string(words[n % 10]) + " ^C14|{" + std::to_string(k) + "}";
            }
        }
    }
    return catalogue;
}

Value MakeSettings()
{
    Value settings;
    settings["language"] = "en";
    settings["musicVolume"] = 80;
    settings["fullscreen"] = false;
    settings["showHelp"] = true;
    for (int action = 0; action < 9; ++action) {
        Value binding;
        binding["action"] = action;
        binding["scancode"] = 79 + action;
        settings["keyboard"].Append(std::move(binding));
    }
    return settings;
}

nlohmann::json ToJson(const Value& v)
{
    switch (v.GetKind()) {
    case Value::Kind::Null: return nullptr;
    case Value::Kind::Boolean: return v.AsBool();
    case Value::Kind::Number: return v.AsNumber();
    case Value::Kind::String: return v.AsString();
    case Value::Kind::Array: {
        nlohmann::json a = nlohmann::json::array();
        for (const Value& e : v.AsArray()) {
            a.push_back(ToJson(e));
        }
        return a;
    }
    case Value::Kind::Object: {
        nlohmann::json o = nlohmann::json::object();
        for (const auto& [key, member] : v.AsObject()) {
            o[key] = ToJson(member);
        }
        return o;
    }
    }
    return nullptr;
}

struct Document {
    Value value;
    std::string cson;
    nlohmann::json json;
    std::string jsonText;
};

const Document& GetDocument(const std::string& name)
{
    static const std::map<std::string, Document> documents = [] {
        std::map<std::string, Document> all;
        for (auto& [name, value] : std::map<std::string, Value>{
                 {"save", MakeSave()}, {"catalogue", MakeCatalogue()}, {"settings", MakeSettings()}}) {
            Document d;
            d.value = value;
            zokCSON::WriteText(d.value, d.cson, zokCSON::WriteOptions(), nullptr);
            d.json = ToJson(d.value);
            d.jsonText = d.json.dump();
            all.emplace(name, std::move(d));
        }
        return all;
    }();
    return documents.at(name);
}

// Seconds per call of the faster of a few batches: the least disturbed estimate.
double SecondsPerCall(const std::function<void()>& work, int calls)
{
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) {
        work();
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / calls;
}

// How many times faster ours is than theirs: the two alternate in batches so that both see the
// same machine state, and each side's best batch counts.
double SpeedRatio(const std::function<void()>& ours, const std::function<void()>& theirs, double oneCall)
{
    int calls = std::max(1, static_cast<int>(0.02 / std::max(oneCall, 1e-9)));
    double best[2] = {1e9, 1e9};
    for (int round = 0; round < 7; ++round) {
        best[0] = std::min(best[0], SecondsPerCall(ours, calls));
        best[1] = std::min(best[1], SecondsPerCall(theirs, calls));
    }
    return best[1] / best[0];
}

void ParseCson(const Document& d)
{
    Value out;
    zokCSON::ParseText(d.cson, out, nullptr);
    benchmark::DoNotOptimize(out);
}

void WriteCson(const Document& d)
{
    std::string text;
    zokCSON::WriteText(d.value, text, zokCSON::WriteOptions(), nullptr);
    benchmark::DoNotOptimize(text);
}

void ParseJson(const Document& d)
{
    nlohmann::json j = nlohmann::json::parse(d.jsonText);
    benchmark::DoNotOptimize(j);
}

void DumpJson(const Document& d)
{
    std::string text = d.json.dump();
    benchmark::DoNotOptimize(text);
}

void BM_CsonParse(benchmark::State& state, const std::string& doc)
{
    const Document& d = GetDocument(doc);
    Value check;
    if (zokCSON::ParseText(d.cson, check, nullptr) != zokCSON::ErrorCode::Ok || !(check == d.value)) {
        state.SkipWithError("the generated document does not read back");
        return;
    }
    for (auto _ : state) {
        ParseCson(d);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.cson.size()));
    state.counters["doc_bytes"] = static_cast<double>(d.cson.size());
    double one = SecondsPerCall([&] { ParseCson(d); }, 3);
    state.counters["x_nlohmann"] = SpeedRatio([&] { ParseCson(d); }, [&] { ParseJson(d); }, one);
}

void BM_CsonWrite(benchmark::State& state, const std::string& doc)
{
    const Document& d = GetDocument(doc);
    for (auto _ : state) {
        WriteCson(d);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.cson.size()));
    state.counters["doc_bytes"] = static_cast<double>(d.cson.size());
    double one = SecondsPerCall([&] { WriteCson(d); }, 3);
    state.counters["x_nlohmann"] = SpeedRatio([&] { WriteCson(d); }, [&] { DumpJson(d); }, one);
}

void BM_JsonParse(benchmark::State& state, const std::string& doc)
{
    const Document& d = GetDocument(doc);
    for (auto _ : state) {
        ParseJson(d);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.jsonText.size()));
    state.counters["doc_bytes"] = static_cast<double>(d.jsonText.size());
}

void BM_JsonWrite(benchmark::State& state, const std::string& doc)
{
    const Document& d = GetDocument(doc);
    for (auto _ : state) {
        DumpJson(d);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.jsonText.size()));
    state.counters["doc_bytes"] = static_cast<double>(d.jsonText.size());
}

const bool registered = [] {
    for (const char* doc : {"save", "catalogue", "settings"}) {
        std::string name(doc);
        benchmark::RegisterBenchmark(("BM_CsonParse/" + name).c_str(), BM_CsonParse, name)->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("BM_JsonParse/" + name).c_str(), BM_JsonParse, name)->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("BM_CsonWrite/" + name).c_str(), BM_CsonWrite, name)->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("BM_JsonWrite/" + name).c_str(), BM_JsonWrite, name)->Unit(benchmark::kMicrosecond);
    }
    return true;
}();

} // namespace

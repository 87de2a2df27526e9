// The game's start-up, from the start of main to the first frame the main menu presents, against
// its floor: SDL_Init, one window, one renderer, one streaming texture and one present. Every
// iteration is a fresh process (tvk-startup, bench/probe/) with SDL's dummy drivers in a folder
// holding a copy of the game's data and no settings file, as a first start finds it. The figure
// is that process's own measurement of its main thread's CPU time, so starting the process does
// not count on either side; the counter wall_ms is its wall time.
//
// The goal: the start-up within twice the floor plus the time spent loading the music. Each
// counter "phase_<call>" is the time spent in one costly SDL call on the way: what is left is
// the game's own work.

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

extern char** environ;

namespace fs = std::filesystem;

namespace {

// A copy of the game's data for the start-up processes, removed at exit. No run writes into it:
// each process ends at its first present.
class DataFolder {
 public:
  static const std::string& Path() {
    static DataFolder folder;
    return folder.path;
  }

 private:
  std::string path;
  DataFolder() {
    fs::path where = fs::temp_directory_path() / ("tvk-startup-" + std::to_string(::getpid()));
    fs::create_directories(where);
    fs::copy(TVK_DATA_DIR, where, fs::copy_options::recursive);
    path = where.string();
  }
  ~DataFolder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
};

// Runs one start and reads what it printed: "total" and the phases, in seconds. Empty when the
// process failed.
std::map<std::string, double> RunOnce(const char* mode) {
  int out[2];
  if (pipe(out) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  const std::string& folder = DataFolder::Path();
  char* argv[] = {const_cast<char*>(TVK_STARTUP_PATH), const_cast<char*>(mode),
                  const_cast<char*>(folder.c_str()), nullptr};
  pid_t child = 0;
  const int spawned = posix_spawn(&child, TVK_STARTUP_PATH, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  close(out[0]);
  int status = 0;
  if (spawned != 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    return {};
  }
  std::map<std::string, double> figures;
  std::istringstream lines(text);
  for (std::string word, name; lines >> word;) {
    double seconds = 0;
    if (word == "phase") lines >> name;
    lines >> seconds;
    figures[word == "phase" ? "phase_" + name : word] = seconds;
  }
  return figures;
}

void RunStarts(benchmark::State& state, const char* mode) {
  std::map<std::string, double> sums;
  for (auto _ : state) {
    std::map<std::string, double> figures = RunOnce(mode);
    if (figures.count("total") == 0) {
      state.SkipWithError(std::string("tvk-startup ") + mode + " failed");
      return;
    }
    state.SetIterationTime(figures["total"]);
    for (const auto& [name, seconds] : figures) sums[name] += seconds;
  }
  for (const auto& [name, seconds] : sums) {
    if (name == "wall") {
      state.counters["wall_ms"] =
          benchmark::Counter(seconds * 1000.0, benchmark::Counter::kAvgIterations);
    } else if (name != "total") {
      // In milliseconds, the unit of the benchmark's own time.
      state.counters[name] =
          benchmark::Counter(seconds * 1000.0, benchmark::Counter::kAvgIterations);
    }
  }
}

void BM_StartupFloor(benchmark::State& state) { RunStarts(state, "floor"); }
BENCHMARK(BM_StartupFloor)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_Startup(benchmark::State& state) {
  state.SetLabel("peer=BM_StartupFloor goal=2 minus=phase_MIX_LoadAudio");
  RunStarts(state, "game");
}
BENCHMARK(BM_Startup)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

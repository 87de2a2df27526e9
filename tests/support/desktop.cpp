#include "support/desktop.h"

#include "app/globals.h"
#include "core/types.h"
#include "localization/localization.h"
#include "support/harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

extern char** environ;

namespace {

using namespace std::chrono_literals;

const char WINDOW_TITLE[] = "Tower Vault Keeper";

bool Installed(const std::string& tool) { return access(("/usr/bin/" + tool).c_str(), X_OK) == 0; }

}  // namespace

void XDesktop::Stop() {
  Stop(game);
  Stop(windowManager);
  Stop(server);
}

std::string XDesktop::Missing(bool windowManager) {
  if (std::string(TVK_BINARY_PATH).empty()) return "the tvk binary";
  std::vector<std::string> tools = {"Xvfb", "xdotool", "import"};
  if (windowManager) tools.insert(tools.end(), {"openbox", "wmctrl"});
  for (const std::string& tool : tools) {
    if (!Installed(tool)) return tool;
  }
  return "";
}

pid_t SpawnProgram(const std::vector<std::string>& args, const std::string& folder,
                   const std::vector<std::string>& changes, const std::string& output) {
  std::map<std::string, std::string> variables;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    variables[text.substr(0, text.find('='))] = text;
  }
  for (const std::string& change : changes) {
    const std::size_t equals = change.find('=');
    if (equals == std::string::npos) {
      variables.erase(change);
    } else {
      variables[change.substr(0, equals)] = change;
    }
  }
  std::vector<char*> argv, envp;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  for (auto& [name, entry] : variables) envp.push_back(entry.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                   0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = -1;
  const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return failed == 0 ? pid : -1;
}

int WaitForProcess(pid_t pid, std::chrono::milliseconds limit) {
  int status = 0;
  const auto ended = [&] { return waitpid(pid, &status, WNOHANG) == pid; };
  if (pid <= 0 || !PollUntil(limit, ended, 50ms)) {
    return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

pid_t XDesktop::Spawn(const std::vector<std::string>& args, const std::string& output,
                      const std::string& folder, const std::vector<std::string>& changes) {
  // The game renders as on a player's desktop, with SDL's own choice of renderer.
  std::vector<std::string> all = {"SDL_RENDER_DRIVER", "SDL_FRAMEBUFFER_ACCELERATION",
                                  "SDL_VIDEO_DRIVER=x11"};
  all.push_back(display.empty() ? "DISPLAY" : "DISPLAY=" + display);
  all.insert(all.end(), changes.begin(), changes.end());
  return SpawnProgram(args, folder, all, output);
}

void XDesktop::Stop(pid_t& pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  int status = 0;
  if (!PollUntil(3000ms, [&] { return waitpid(pid, &status, WNOHANG) == pid; }, 50ms)) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  pid = -1;
}

bool XDesktop::Start(int width, int height, bool withWindowManager) {
  // The server picks a free display itself and writes its number into the pipe. Without
  // -noreset it would reset whenever its last client leaves, and a client that comes in just
  // then (openbox starting, say) is turned away.
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) {
    error = "no pipe";
    return false;
  }
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  server = Spawn({"/usr/bin/Xvfb", "-displayfd", std::to_string(pipeEnds[1]), "-screen", "0",
                  screen, "-nolisten", "tcp", "-noreset"},
                 "xvfb.log");
  close(pipeEnds[1]);
  std::string number;
  pollfd ready{pipeEnds[0], POLLIN, 0};
  char c = 0;
  while (poll(&ready, 1, 20000) == 1 && read(pipeEnds[0], &c, 1) == 1 && c != '\n') {
    number += c;
  }
  close(pipeEnds[0]);
  if (server <= 0 || number.empty()) {
    error = "Xvfb did not start: " + ReadText("xvfb.log");
    return false;
  }
  display = ":" + number;
  if (withWindowManager) {
    windowManager = Spawn({"/usr/bin/openbox"}, "openbox.log");
    if (!PollUntil(20000ms, [&] { return Run("wmctrl -m") == 0; }, 50ms)) {
      error = "openbox did not start on " + display + ": " + ReadText("openbox.log") +
              ReadText("x.log");
      return false;
    }
  }
  return true;
}

pid_t XDesktop::StartGame(const std::string& output) {
  return StartProgram({TVK_BINARY_PATH}, ".", {}, output);
}

pid_t XDesktop::StartProgram(const std::vector<std::string>& args, const std::string& folder,
                             const std::vector<std::string>& changes, const std::string& output) {
  game = Spawn(args, output, folder, changes);
  return game;
}

bool XDesktop::WaitForWindow() {
  // xdotool gives up at the first X error, and a window that closes while its search reads the
  // windows' names is one: SDL opens and closes windows of its own as the game starts. So the
  // search is tried again until it finds the window or the game has ended.
  //
  // The sanitised game takes seconds to start, and many times that on a machine busy with
  // other builds: the limit only keeps a game that never shows its window from hanging the run.
  const std::string focus =
      std::string("xdotool search --sync --name '") + WINDOW_TITLE + "' windowfocus --sync";
  bool focused = false;
  PollUntil(180s, [&] { return (focused = Run(focus) == 0) || Ended(); }, 100ms);
  return focused;
}

bool XDesktop::Ended() {
  // Asks without reaping the game, so that WaitForExit still learns its exit code.
  siginfo_t info{};
  return game > 0 && waitid(P_PID, game, &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == game;
}

int XDesktop::Run(const std::string& command, int limitSeconds) {
  // Exported, so that a command substituted into the command line sees the display too.
  return std::system(("export DISPLAY=" + display + "; timeout " + std::to_string(limitSeconds) +
                      " " + command + " >>x.log 2>&1")
                         .c_str());
}

bool XDesktop::Keys(const std::string& keys) {
  // The game queues the keys it has not read yet, in order: they need no room between them to
  // arrive. A little keeps most of them in frames of their own, as a player's would be.
  return Run("xdotool key --delay 50 " + keys) == 0;
}

int XDesktop::WaitForExit(std::chrono::milliseconds limit) {
  const int code = WaitForProcess(game, limit);
  if (code != -1) game = -1;
  return code;
}

bool XDesktop::Running() { return game > 0 && waitpid(game, nullptr, WNOHANG) == 0; }

std::pair<int, int> XDesktop::WindowSize() {
  const std::string command = "DISPLAY=" + display + " xdotool search --name '" + WINDOW_TITLE +
                              "' getwindowgeometry --shell 2>/dev/null";
  std::pair<int, int> size{0, 0};
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char line[128];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
      std::sscanf(line, "WIDTH=%d", &size.first);
      std::sscanf(line, "HEIGHT=%d", &size.second);
    }
    pclose(pipe);
  }
  return size;
}

SDL_Surface* XDesktop::Screenshot(const std::string& path, bool gameWindowOnly) {
  const std::string window =
      gameWindowOnly ? std::string("$(xdotool search --name '") + WINDOW_TITLE + "' | head -n 1)"
                     : "root";
  if (Run("import -window " + window + " -depth 8 PNG24:" + path) != 0) return nullptr;
  SDL_Surface* loaded = SDL_LoadPNG(path.c_str());
  if (loaded == nullptr) return nullptr;
  SDL_Surface* shot = SDL_ConvertSurface(loaded, SDL_PIXELFORMAT_XRGB8888);
  SDL_DestroySurface(loaded);
  return shot;
}

bool XDesktop::Eventually(const std::function<bool(SDL_Surface*)>& check, bool gameWindowOnly) {
  return PollUntil(
      10s,
      [&] {
        SDL_Surface* shot = Screenshot("shot.png", gameWindowOnly);
        const bool holds = shot != nullptr && check(shot);
        SDL_DestroySurface(shot);
        return holds;
      },
      100ms);
}

SDL_Surface* GamePicture(SDL_Surface* shot, float scale, float left, float top) {
  SDL_Surface* picture = SDL_CreateSurface(640, 400, SDL_PIXELFORMAT_XRGB8888);
  for (int y = 0; y < 400; ++y) {
    for (int x = 0; x < 640; ++x) {
      Uint8 r = 0, g = 0, b = 0;
      SDL_ReadSurfacePixel(shot, static_cast<int>(left + (static_cast<float>(x) + 0.5f) * scale),
                           static_cast<int>(top + (static_cast<float>(y) + 0.5f) * scale), &r, &g,
                           &b, nullptr);
      SDL_WriteSurfacePixel(picture, x, y, r, g, b, 255);
    }
  }
  return picture;
}

SDL_Surface* LetterboxedPicture(SDL_Surface* shot) {
  const auto width = static_cast<float>(shot->w);
  const auto height = static_cast<float>(shot->h);
  const float scale = std::min(width / 640.0f, height / 400.0f);
  return GamePicture(shot, scale, (width - 640 * scale) / 2, (height - 400 * scale) / 2);
}

bool ShowsCentred(SDL_Surface* picture, const std::string& text) {
  const int cells = static_cast<int>(text.size());
  const int x = (picture->w - 8 * cells) / 2;
  for (int y = 0; y + 8 <= picture->h; ++y) {
    if (CellText(picture, x, y, cells) == text) return true;
  }
  return false;
}

int PlayerCells(SDL_Surface* picture) {
  int count = 0;
  for (int y = 0; y + 8 <= 320; y += 8) {
    for (int x = 0; x + 8 <= 640; x += 8) {
      if (CellGlyph(picture, x, y) == '@' && CellColor(picture, x, y) == LightGreen) ++count;
    }
  }
  return count;
}

std::string SelectedLine(const std::string& key) {
  RKLocalization english;
  english.LoadLanguageList("languages/languages.cson");
  english.LoadLanguageByCode("en");
  return "> " + english.T(key) + " <";
}

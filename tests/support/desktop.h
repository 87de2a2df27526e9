#pragma once
// The real program in a real X window: a private Xvfb display of any size, with Debian's
// openbox as its window manager when a test needs one (fullscreen and close buttons behave
// as on a desktop only with one), X tools run against it, and screenshots read back as the
// game's own 640x400 picture.

#include <SDL3/SDL.h>
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

// Starts a program in the folder with the running environment changed as listed ("NAME=value"
// sets, "NAME" removes), its output and errors going to the file; the process id, or -1.
pid_t SpawnProgram(const std::vector<std::string>& args, const std::string& folder,
                   const std::vector<std::string>& changes, const std::string& output);
// Waits for the process to end; its exit code (128 + the signal when a signal ended it), or
// -1 when it is still running at the limit.
int WaitForProcess(pid_t pid, std::chrono::milliseconds limit);

class XDesktop {
 public:
  XDesktop() = default;
  ~XDesktop() { Stop(); }
  XDesktop(const XDesktop&) = delete;
  XDesktop& operator=(const XDesktop&) = delete;

  // Why this machine cannot run such tests (a tool missing), or empty when it can.
  static std::string Missing(bool windowManager);

  // Starts the X server at width x height on a free display, and openbox when asked; false
  // (with the reason in `error`) when it does not come up.
  bool Start(int width, int height, bool windowManager);
  // Starts the game binary in the current folder on this display, its output going to the
  // file; the process id, or -1.
  pid_t StartGame(const std::string& output = "game.log");
  // Starts a program as the game (the one WaitForExit waits for) in the folder, with the
  // environment changed as listed ("NAME=value" sets, "NAME" removes).
  pid_t StartProgram(const std::vector<std::string>& args, const std::string& folder,
                     const std::vector<std::string>& changes, const std::string& output);
  // Waits until the game's window exists and has the keyboard.
  bool WaitForWindow();
  // Runs a shell command (an X tool) on this display with a time limit in seconds; its exit
  // status.
  int Run(const std::string& command, int limitSeconds = 30);
  // Types the keys (xdotool's names, blank-separated) into the window with the keyboard; false
  // when xdotool failed.
  bool Keys(const std::string& keys);
  // Waits for the game to end; its exit code, or -1 when it is still running at the limit.
  int WaitForExit(std::chrono::milliseconds limit);
  bool Running();
  // Ends the game, the window manager and the server, whichever are running.
  void Stop();
  // Size of the game's window as the X server has it; {0, 0} when there is none.
  std::pair<int, int> WindowSize();
  // The screen (window "root") or the game's window, as an XRGB8888 surface; null on failure.
  SDL_Surface* Screenshot(const std::string& path, bool gameWindowOnly = false);
  // Takes screenshots into shot.png until the check holds for one, for at most ten seconds:
  // the game draws a frame every 60 ms, but a busy machine may be slow to show it.
  bool Eventually(const std::function<bool(SDL_Surface*)>& check, bool gameWindowOnly = false);

  std::string display;
  std::string error;
  pid_t game = -1;

 private:
  pid_t Spawn(const std::vector<std::string>& args, const std::string& output,
              const std::string& folder = ".", const std::vector<std::string>& changes = {});
  static void Stop(pid_t& pid);
  // True when the game has ended (it is left for WaitForExit to collect).
  bool Ended();
  pid_t server = -1;
  pid_t windowManager = -1;
};

// The 640x400 picture a screenshot shows, scaled by `scale` with its top-left corner at
// (left, top): each game pixel is read at the centre of the screen pixels it covers.
SDL_Surface* GamePicture(SDL_Surface* shot, float scale, float left, float top);
// The same for a picture that fills the shot as the game's letterbox places it.
SDL_Surface* LetterboxedPicture(SDL_Surface* shot);
// True when some row of the 640x400 picture shows the text centred, as the boxes draw lines.
bool ShowsCentred(SDL_Surface* picture, const std::string& text);
// The 8x8 map cells of a 640x400 picture that show the player: a light green at sign.
int PlayerCells(SDL_Surface* picture);
// The English text of a menu line as the menu shows it selected ("> New game <"), read from
// the language files in the current folder.
std::string SelectedLine(const std::string& key);

# Shared by the scripts in this folder: where the project and its build root live.
# Sourced, never run.

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Packages the build root gets. Changing this list makes scripts/setup rebuild the root.
root_packages=(
  g++ cmake ninja-build pkgconf git ccache
  libsdl3-dev libsdl3-mixer-dev
  libgtest-dev libbenchmark-dev nlohmann-json3-dev
  clang libclang-rt-dev libc++-dev libc++abi-dev
  xvfb xauth xdotool x11-apps imagemagick
  python3 console-setup-linux sox vorbis-tools
  openbox wmctrl
  clang-format clang-tidy
  dpkg-dev file fakeroot desktop-file-utils appstream bubblewrap
  emscripten nodejs chromium python3-websocket iproute2
  firefox-esr webkitgtk-webdriver
  g++-mingw-w64-x86-64-posix wine wine64
  debhelper lintian
)

cache_dir="${XDG_CACHE_HOME:-$HOME/.cache}/tvk"
root_dir="$cache_dir/buildroot-sid"
root_stamp="$root_dir/.tvk-packages"

say() { printf 'tvk: %s\n' "$*" >&2; }

# True where SDL 3.4+, SDL3_mixer 3.2+, a C++20 compiler, CMake and GoogleTest are installed natively.
native_deps_ok() {
  command -v pkg-config >/dev/null 2>&1 || return 1
  pkg-config --atleast-version=3.4.0 sdl3 2>/dev/null || return 1
  pkg-config --atleast-version=3.2.0 sdl3-mixer 2>/dev/null || return 1
  command -v cmake >/dev/null 2>&1 || return 1
  [ -e /usr/include/gtest/gtest.h ] || [ -e /usr/local/include/gtest/gtest.h ] || return 1
  echo 'int main(){ return __cplusplus >= 202002L ? 0 : 1; }' |
    "${CXX:-c++}" -std=c++20 -x c++ - -o /dev/null 2>/dev/null || return 1
}

root_wanted_stamp() { printf '%s\n' "${root_packages[@]}" | sort; }

root_ok() {
  [ -x "$root_dir/usr/bin/pkg-config" ] || return 1
  [ -f "$root_stamp" ] || return 1
  [ "$(cat "$root_stamp")" = "$(root_wanted_stamp)" ] || return 1
  in_root pkg-config --atleast-version=3.4.0 sdl3 >/dev/null 2>&1 || return 1
  in_root pkg-config --atleast-version=3.2.0 sdl3-mixer >/dev/null 2>&1 || return 1
}

# Runs a command inside the build root as root, with the repository at its own path and the
# working directory kept. The repository is bound after the private /tmp so that a clone that
# lives under /tmp stays visible.
in_root() {
  local args=(--bind "$root_dir" / --proc /proc --dev /dev --perms 1777 --tmpfs /tmp
              --bind "$repo" "$repo")
  # Where the caller works outside the repository (a run folder under /tmp, say), keep it.
  case "$PWD" in
    "$repo"|"$repo"/*) ;;
    *) [ -d "$PWD" ] && args+=(--bind "$PWD" "$PWD") ;;
  esac
  [ -d /tmp/.X11-unix ] && args+=(--bind /tmp/.X11-unix /tmp/.X11-unix)
  [ -n "${XAUTHORITY:-}" ] && [ -e "$XAUTHORITY" ] && args+=(--bind "$XAUTHORITY" "$XAUTHORITY")
  [ -d /dev/snd ] && args+=(--dev-bind /dev/snd /dev/snd)
  if [ -n "${XDG_RUNTIME_DIR:-}" ] && [ -d "$XDG_RUNTIME_DIR" ]; then
    args+=(--bind "$XDG_RUNTIME_DIR" "$XDG_RUNTIME_DIR")
  fi
  # X servers listen on abstract sockets, which every sandbox of the machine's network shares:
  # the tests' servers get a network of their own, so no other run on the machine meets them.
  [ -n "${TVK_PRIVATE_NETWORK:-}" ] && args+=(--unshare-net)
  # Clones of the repository share ccache's results: paths under the clone are hashed relative
  # to it, and the build folder's own path is left out of debug builds' hashes.
  args+=(--setenv CCACHE_BASEDIR "$repo" --setenv CCACHE_NOHASHDIR 1)
  bwrap "${args[@]}" --chdir "$PWD" --setenv PATH /usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"
}

uses_root() { ! native_deps_ok; }

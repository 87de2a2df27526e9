// The page's fill of a run of pixels. SDL fills a surface four bytes at a time in WebAssembly
// (its wide fills are for x86 only): clearing the two panels took a sixth of the page's frame.
// The link routes SDL's SDL_memset4 here, built with WebAssembly's vector instructions, which
// store sixteen bytes at a time and take half as long.

#include <algorithm>
#include <cstddef>
#include <cstdint>

// The name the linker's --wrap gives to what stands in for SDL_memset4.
extern "C" void* __wrap_SDL_memset4(void* dst, std::uint32_t val, std::size_t dwords) {
  std::fill_n(static_cast<std::uint32_t*>(dst), dwords, val);
  return dst;
}

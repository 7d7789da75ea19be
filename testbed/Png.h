// A minimal PNG writer for screen captures: 8-bit RGB, no filtering, deflate
// "stored" blocks (no compression library needed; a 1024x768 capture is ~2.3 MB).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// rgb holds height rows of width*3 bytes, top row first. Returns the PNG file
// bytes, or an empty string when the sizes do not agree.
std::string EncodePng(int width, int height, const std::vector<std::uint8_t>& rgb);

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0);
std::uint32_t Adler32(const std::uint8_t* data, std::size_t size, std::uint32_t adler = 1);

}  // namespace bench

#ifndef QENT_TOOLS_ASSET_FILES_H
#define QENT_TOOLS_ASSET_FILES_H

// The file formats the game reads: uncompressed 8-bit .BMP with the shared palette, and PCM
// WAVE, 8-bit unsigned mono.

#include <cstdint>
#include <string>
#include <vector>

struct IndexedPicture {
    int width;
    int height;
    std::vector<uint8_t> pixels;  // palette indices, rows top-down, no padding
};

constexpr int BMP_HEADER_BYTES = 14 + 40 + 256 * 4;  // where the pixel data start

// Rows are stored bottom-up and padded to 4 bytes; the colour table is the asset palette.
std::vector<uint8_t> BmpEncode(const IndexedPicture& picture);
// Standard 44-byte header; an odd sample count gets the RIFF pad byte.
std::vector<uint8_t> WaveEncode(const std::vector<uint8_t>& samples, int rate);
int FileWriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);  // 1 written

#endif

#include "tools/asset_files.h"

#include <cstdio>

#include "tools/asset_palette.h"

namespace {

void Put16(std::vector<uint8_t>* out, uint32_t v) {
    out->push_back(static_cast<uint8_t>(v & 0xFF));
    out->push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

void Put32(std::vector<uint8_t>* out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void PutTag(std::vector<uint8_t>* out, const char* tag) {
    for (int i = 0; i < 4; ++i) {
        out->push_back(static_cast<uint8_t>(tag[i]));
    }
}

}  // namespace

std::vector<uint8_t> BmpEncode(const IndexedPicture& picture) {
    const uint32_t stride = (static_cast<uint32_t>(picture.width) + 3u) & ~3u;
    const uint32_t image_bytes = stride * static_cast<uint32_t>(picture.height);
    std::vector<uint8_t> out;
    out.reserve(BMP_HEADER_BYTES + image_bytes);
    out.push_back('B');
    out.push_back('M');
    Put32(&out, BMP_HEADER_BYTES + image_bytes);
    Put16(&out, 0);
    Put16(&out, 0);
    Put32(&out, BMP_HEADER_BYTES);
    Put32(&out, 40);
    Put32(&out, static_cast<uint32_t>(picture.width));
    Put32(&out, static_cast<uint32_t>(picture.height));
    Put16(&out, 1);
    Put16(&out, 8);
    Put32(&out, 0);  // uncompressed
    Put32(&out, image_bytes);
    Put32(&out, 2835);  // 72 dots per inch
    Put32(&out, 2835);
    Put32(&out, 256);
    Put32(&out, 256);
    const AssetPalette& pal = AssetPaletteGet();
    for (int i = 0; i < ASSET_PALETTE_SIZE; ++i) {
        out.push_back(pal.rgb[i][2]);
        out.push_back(pal.rgb[i][1]);
        out.push_back(pal.rgb[i][0]);
        out.push_back(0);
    }
    for (int y = picture.height - 1; y >= 0; --y) {
        auto row = picture.pixels.begin() + static_cast<long>(y) * picture.width;
        out.insert(out.end(), row, row + picture.width);
        out.insert(out.end(), stride - static_cast<uint32_t>(picture.width), 0);
    }
    return out;
}

std::vector<uint8_t> WaveEncode(const std::vector<uint8_t>& samples, int rate) {
    const uint32_t data_bytes = static_cast<uint32_t>(samples.size());
    const uint32_t pad = data_bytes & 1u;
    std::vector<uint8_t> out;
    PutTag(&out, "RIFF");
    Put32(&out, 36 + data_bytes + pad);
    PutTag(&out, "WAVE");
    PutTag(&out, "fmt ");
    Put32(&out, 16);
    Put16(&out, 1);  // PCM
    Put16(&out, 1);  // mono
    Put32(&out, static_cast<uint32_t>(rate));
    Put32(&out, static_cast<uint32_t>(rate));  // one byte per sample
    Put16(&out, 1);
    Put16(&out, 8);
    PutTag(&out, "data");
    Put32(&out, data_bytes);
    out.insert(out.end(), samples.begin(), samples.end());
    if (pad) {
        out.push_back(0x80);
    }
    return out;
}

int FileWriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return 0;
    }
    size_t written = std::fwrite(bytes.data(), 1, bytes.size(), file);
    int closed = std::fclose(file);
    return (written == bytes.size() && closed == 0) ? 1 : 0;
}

// .BMP files loaded into memory, and bitmap images drawn into 8-bit buffers by byte copy.

#include "lib/bitmap.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lib/bytes.h"
#include "lib/display.h"
#include "platform/host_file.h"

namespace {

constexpr uint16_t BMP_MAGIC = 0x4D42;  // "BM"
constexpr int FILE_HEADER_SIZE = 14;
constexpr int INFO_HEADER_SIZE = 40;
constexpr int COLOR_TABLE_SIZE = 256 * 4;
constexpr uint32_t BI_RGB = 0;
constexpr int64_t MAX_SIDE = 16384;

int32_t ReadI32(const uint8_t* p) {
    return static_cast<int32_t>(BytesLe32(p));
}

// Reads exactly count bytes at offset; false on a short read or a failed seek.
bool ReadAt(FILE* file, int64_t offset, void* out, size_t count) {
    if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0) {
        return false;
    }
    return std::fread(out, 1, count, file) == count;
}

// What a validated file says about its pixel data.
struct PixelLayout {
    int32_t width;        // pixels per row
    int32_t rows;         // number of rows, always positive
    bool top_down;        // rows stored top row first
    int file_bpp;         // bytes per pixel in the file: 1, 2 or 3
    int out_bpp;          // bytes per pixel in memory: 1 or 2
    int64_t stride;       // bytes per stored row, padded to a multiple of 4
    int64_t data_offset;  // where the first stored row begins
};

// Checks everything the loader relies on before anything is allocated or overwritten.
bool LayoutFromHeaders(const BitmapInfoHeader& info, uint32_t off_bits, int64_t file_size,
                       PixelLayout* layout) {
    // Smaller (older) information headers lay their fields out differently.
    if (info.biSize < INFO_HEADER_SIZE || FILE_HEADER_SIZE + int64_t{info.biSize} > file_size) {
        return false;
    }
    if (info.biCompression != BI_RGB) {
        return false;
    }
    switch (info.biBitCount) {
        case 8:
            layout->file_bpp = 1;
            layout->out_bpp = 1;
            break;
        case 16:
            layout->file_bpp = 2;
            layout->out_bpp = 2;
            break;
        case 24:
            layout->file_bpp = 3;
            layout->out_bpp = 2;
            break;
        default:
            return false;
    }
    const int64_t width = info.biWidth;
    const int64_t height = info.biHeight;
    const int64_t rows = height < 0 ? -height : height;
    if (width < 1 || width > MAX_SIDE || rows < 1 || rows > MAX_SIDE) {
        return false;
    }
    const int64_t stride = (width * layout->file_bpp + 3) / 4 * 4;
    const int64_t needed = stride * rows;
    const int64_t data_size = info.biSizeImage == 0 ? needed : int64_t{info.biSizeImage};
    // The pixel data are data_size bytes after the headers and the colour table the header
    // announces (all 256 entries unless biClrUsed says fewer).
    int64_t table_size = 0;
    if (info.biBitCount == 8) {
        table_size =
            info.biClrUsed >= 1 && info.biClrUsed <= 256 ? info.biClrUsed * 4 : COLOR_TABLE_SIZE;
    }
    const int64_t headers_end = FILE_HEADER_SIZE + int64_t{info.biSize} + table_size;
    if (data_size < needed || data_size > file_size - headers_end) {
        return false;
    }
    layout->width = static_cast<int32_t>(width);
    layout->rows = static_cast<int32_t>(rows);
    layout->top_down = height < 0;
    layout->stride = stride;
    // They start at bfOffBits when it points at or past the end of the colour table and
    // leaves room for them, so bytes after the pixels (a colour profile) are skipped;
    // otherwise they are the file's last data_size bytes, which also skips a gap before them.
    layout->data_offset = file_size - data_size;
    if (off_bits >= headers_end && off_bits <= file_size - data_size) {
        layout->data_offset = off_bits;
    }
    return true;
}

// Reads the colour table from just after the information header. The entries are stored
// blue, green, red; whatever part of the table lies past the end of the file reads as black.
void ReadColorTable(FILE* file, int64_t offset, int64_t file_size, PaletteEntry* palette) {
    uint8_t table[COLOR_TABLE_SIZE] = {};
    int64_t available = file_size - offset;
    if (available > COLOR_TABLE_SIZE) {
        available = COLOR_TABLE_SIZE;
    }
    if (available > 0 && !ReadAt(file, offset, table, static_cast<size_t>(available))) {
        std::memset(table, 0, sizeof(table));
    }
    for (int i = 0; i < 256; i++) {
        palette[i].red = table[4 * i + 2];
        palette[i].green = table[4 * i + 1];
        palette[i].blue = table[4 * i];
        palette[i].flags = PC_NOCOLLAPSE;
    }
}

// Reads the stored rows into out, top row first, without padding; 24-bit pixels become
// 16-bit values (5 bits each of blue, green, red from the low bit up).
bool ReadRows(FILE* file, const PixelLayout& layout, uint8_t* out) {
    if (std::fseek(file, static_cast<long>(layout.data_offset), SEEK_SET) != 0) {
        return false;
    }
    const size_t stride = static_cast<size_t>(layout.stride);
    uint8_t* row = static_cast<uint8_t*>(std::malloc(stride));
    if (row == nullptr) {
        return false;
    }
    const size_t out_row_bytes = static_cast<size_t>(layout.width) * layout.out_bpp;
    bool ok = true;
    for (int32_t stored = 0; stored < layout.rows && ok; stored++) {
        if (std::fread(row, 1, stride, file) != stride) {
            ok = false;
            break;
        }
        const int32_t y = layout.top_down ? stored : layout.rows - 1 - stored;
        uint8_t* dest = out + static_cast<size_t>(y) * out_row_bytes;
        if (layout.file_bpp == 3) {
            for (int32_t x = 0; x < layout.width; x++) {
                const uint8_t* triple = row + 3 * x;
                const uint16_t value = static_cast<uint16_t>(
                    (triple[0] >> 3) | ((triple[1] >> 3) << 5) | ((triple[2] >> 3) << 10));
                dest[2 * x] = static_cast<uint8_t>(value & 0xFF);
                dest[2 * x + 1] = static_cast<uint8_t>(value >> 8);
            }
        } else {
            std::memcpy(dest, row, out_row_bytes);
        }
    }
    std::free(row);
    return ok;
}

}  // namespace

int BitmapFileLoad(BitmapFile* bitmap, const char* filename) {
    if (bitmap == nullptr || filename == nullptr) {
        return 0;
    }
    FILE* file = HostFileOpenRead(filename, "rb", nullptr);
    if (file == nullptr) {
        return 0;
    }
    int64_t file_size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        file_size = std::ftell(file);
    }
    uint8_t raw[FILE_HEADER_SIZE + INFO_HEADER_SIZE];
    if (file_size < FILE_HEADER_SIZE || !ReadAt(file, 0, raw, FILE_HEADER_SIZE)) {
        std::fclose(file);
        return 0;
    }
    // The file header is kept as read, also when the file turns out to be unusable.
    BitmapFileHeader& fh = bitmap->file_header;
    fh.bfType = BytesLe16(raw);
    fh.bfSize = BytesLe32(raw + 2);
    fh.bfReserved1 = BytesLe16(raw + 6);
    fh.bfReserved2 = BytesLe16(raw + 8);
    fh.bfOffBits = BytesLe32(raw + 10);
    if (fh.bfType != BMP_MAGIC ||
        !ReadAt(file, FILE_HEADER_SIZE, raw + FILE_HEADER_SIZE, INFO_HEADER_SIZE)) {
        std::fclose(file);
        return 0;
    }
    const uint8_t* ip = raw + FILE_HEADER_SIZE;
    BitmapInfoHeader info;
    info.biSize = BytesLe32(ip);
    info.biWidth = ReadI32(ip + 4);
    info.biHeight = ReadI32(ip + 8);
    info.biPlanes = BytesLe16(ip + 12);
    info.biBitCount = BytesLe16(ip + 14);
    info.biCompression = BytesLe32(ip + 16);
    info.biSizeImage = BytesLe32(ip + 20);
    info.biXPelsPerMeter = ReadI32(ip + 24);
    info.biYPelsPerMeter = ReadI32(ip + 28);
    info.biClrUsed = BytesLe32(ip + 32);
    info.biClrImportant = BytesLe32(ip + 36);

    // A refused file leaves the information header, the palette and the pixels as they
    // were, so the record still describes its previous picture.
    PixelLayout layout;
    if (!LayoutFromHeaders(info, fh.bfOffBits, file_size, &layout)) {
        std::fclose(file);
        return 0;
    }
    if (info.biBitCount == 8) {
        ReadColorTable(file, FILE_HEADER_SIZE + int64_t{info.biSize}, file_size, bitmap->palette);
    }
    info.biHeight = layout.rows;
    if (info.biBitCount == 24) {
        info.biBitCount = 16;
    }
    bitmap->info_header = info;

    BitmapFileUnload(bitmap);
    const size_t out_size =
        static_cast<size_t>(layout.width) * static_cast<size_t>(layout.rows) * layout.out_bpp;
    uint8_t* pixels = static_cast<uint8_t*>(std::malloc(out_size));
    if (pixels == nullptr) {
        std::fclose(file);
        return 0;
    }
    const bool read = ReadRows(file, layout, pixels);
    std::fclose(file);
    if (!read) {
        std::free(pixels);
        return 0;
    }
    bitmap->pixels = pixels;
    return 1;
}

int BitmapFileUnload(BitmapFile* bitmap) {
    if (bitmap != nullptr && bitmap->pixels != nullptr) {
        std::free(bitmap->pixels);
        bitmap->pixels = nullptr;
    }
    return 1;
}

int FlipRows(uint8_t* image, int bytes_per_row, int rows) {
    if (image == nullptr || bytes_per_row < 0 || rows < 0) {
        return 0;
    }
    if (rows < 2 || bytes_per_row == 0) {
        return 1;
    }
    const size_t row_bytes = static_cast<size_t>(bytes_per_row);
    uint8_t* temp = static_cast<uint8_t*>(std::malloc(row_bytes));
    if (temp == nullptr) {
        return 0;
    }
    for (int top = 0, bottom = rows - 1; top < bottom; top++, bottom--) {
        uint8_t* a = image + static_cast<size_t>(top) * row_bytes;
        uint8_t* b = image + static_cast<size_t>(bottom) * row_bytes;
        std::memcpy(temp, a, row_bytes);
        std::memcpy(a, b, row_bytes);
        std::memcpy(b, temp, row_bytes);
    }
    std::free(temp);
    return 1;
}

int ImageCreate(BitmapImage* image, int x, int y, int width, int height) {
    if (image == nullptr || width < 1 || height < 1 ||
        int64_t{width} * height > int64_t{INT32_MAX}) {
        return 0;
    }
    const size_t size = static_cast<size_t>(width) * static_cast<size_t>(height);
    uint8_t* pixels = static_cast<uint8_t*>(std::calloc(size, 1));
    if (pixels == nullptr) {
        image->pixels = nullptr;
        return 0;
    }
    image->pixels = pixels;
    image->status = IMAGE_STATUS_ACTIVE;
    image->flags = 0;
    image->x = x;
    image->y = y;
    image->width = width;
    image->height = height;
    image->size = width * height;
    return 1;
}

int ImageDestroy(BitmapImage* image) {
    if (image == nullptr || image->pixels == nullptr) {
        return 0;
    }
    std::free(image->pixels);
    *image = BitmapImage{};
    return 1;
}

namespace {

// Copies the non-zero bytes of src over dest, eight at a time where it can.
void CopyKeyed(uint8_t* dest, const uint8_t* src, size_t count) {
    constexpr uint64_t LOW7 = 0x7F7F7F7F7F7F7F7FULL;
    constexpr uint64_t HIGH = 0x8080808080808080ULL;
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        uint64_t s;
        std::memcpy(&s, src + i, 8);
        if (s == 0) {
            continue;
        }
        // High bit of each byte set exactly where the source byte is non-zero.
        const uint64_t nonzero = (((s & LOW7) + LOW7) | s) & HIGH;
        const uint64_t mask = (nonzero >> 7) * 0xFF;
        if (mask == ~uint64_t{0}) {
            std::memcpy(dest + i, &s, 8);
            continue;
        }
        uint64_t d;
        std::memcpy(&d, dest + i, 8);
        d = (d & ~mask) | (s & mask);
        std::memcpy(dest + i, &d, 8);
    }
    for (; i < count; i++) {
        if (src[i] != 0) {
            dest[i] = src[i];
        }
    }
}

}  // namespace

int ImageDraw(BitmapImage* image, uint8_t* dest, int dest_pitch, int transparent) {
    if (image == nullptr || dest == nullptr || dest_pitch < 1 || image->pixels == nullptr ||
        (image->flags & IMAGE_FLAG_LOADED) == 0) {
        return 0;
    }
    // Cut the image to the clipping rectangle, and to the pitch so a row never runs into
    // the next one.
    const int64_t max_x = dest_pitch - 1 < clip_max_x ? dest_pitch - 1 : clip_max_x;
    int64_t left = image->x;
    int64_t top = image->y;
    int64_t right = left + image->width - 1;
    int64_t bottom = top + image->height - 1;
    if (left < clip_min_x) {
        left = clip_min_x;
    }
    if (top < clip_min_y) {
        top = clip_min_y;
    }
    if (right > max_x) {
        right = max_x;
    }
    if (bottom > clip_max_y) {
        bottom = clip_max_y;
    }
    if (left > right || top > bottom) {
        return 1;
    }
    const size_t width = static_cast<size_t>(right - left + 1);
    const size_t rows = static_cast<size_t>(bottom - top + 1);
    const size_t src_pitch = static_cast<size_t>(image->width);
    const size_t pitch = static_cast<size_t>(dest_pitch);
    const uint8_t* src = image->pixels + static_cast<size_t>(top - image->y) * src_pitch +
                         static_cast<size_t>(left - image->x);
    uint8_t* out = dest + static_cast<size_t>(top) * pitch + static_cast<size_t>(left);
    if (transparent != 0) {
        for (size_t r = 0; r < rows; r++, src += src_pitch, out += pitch) {
            CopyKeyed(out, src, width);
        }
    } else if (width == src_pitch && width == pitch) {
        std::memcpy(out, src, width * rows);
    } else {
        for (size_t r = 0; r < rows; r++, src += src_pitch, out += pitch) {
            std::memcpy(out, src, width);
        }
    }
    return 1;
}

int ImageLoad(BitmapImage* image, const BitmapFile* bitmap, int cx, int cy, int mode) {
    if (image == nullptr || bitmap == nullptr || bitmap->pixels == nullptr ||
        image->pixels == nullptr || image->width < 1 || image->height < 1) {
        return 0;
    }
    // The source is read one byte per pixel: only 8-bit pictures make sense.
    if (bitmap->info_header.biBitCount != 8) {
        return 0;
    }
    int64_t x = cx;
    int64_t y = cy;
    if (mode == LOAD_BY_CELL) {
        x = x * (int64_t{image->width} + 1) + 1;
        y = y * (int64_t{image->height} + 1) + 1;
    }
    const int64_t pic_width = bitmap->info_header.biWidth;
    const int64_t pic_rows = bitmap->info_header.biHeight;
    if (x < 0 || y < 0 || x + image->width > pic_width || y + image->height > pic_rows) {
        return 0;
    }
    const size_t src_pitch = static_cast<size_t>(pic_width);
    const size_t width = static_cast<size_t>(image->width);
    const uint8_t* src =
        bitmap->pixels + static_cast<size_t>(y) * src_pitch + static_cast<size_t>(x);
    uint8_t* out = image->pixels;
    for (int r = 0; r < image->height; r++, src += src_pitch, out += width) {
        std::memcpy(out, src, width);
    }
    image->flags |= IMAGE_FLAG_LOADED;
    return 1;
}

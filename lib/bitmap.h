#ifndef QENT_LIB_BITMAP_H
#define QENT_LIB_BITMAP_H

// .BMP files loaded into memory, and bitmap images drawn into 8-bit buffers by byte copy.

#include <cstdint>

#include "platform/host.h"

// ---- Bitmap files

struct BitmapFileHeader {  // the 14-byte file header, field by field
    uint16_t bfType;       // "BM"
    uint32_t bfSize;
    uint16_t bfReserved1;
    uint16_t bfReserved2;
    uint32_t bfOffBits;
};

struct BitmapInfoHeader {  // the 40-byte information header
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;  // after a load: the picture's rows, positive also for top-down files
    uint16_t biPlanes;
    uint16_t biBitCount;  // after a 24-bit load: 16
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};

struct BitmapFile {
    BitmapFileHeader file_header;
    BitmapInfoHeader info_header;
    PaletteEntry palette[256];  // 8-bit files only: red, green, blue, flags 4
    uint8_t* pixels;            // rows top-down, no padding; null when nothing is loaded
};

// Takes uncompressed 8-, 16- and 24-bit regular files, bottom-up or top-down, up to 16384
// pixels each way. The pixels start at bfOffBits when it points at or past the end of the
// colour table and biSizeImage bytes fit after it; otherwise they are the file's last bytes.
// A refused file leaves info_header, palette and pixels as they were (file_header holds what
// was read); running out of memory or a failed read leaves pixels null.
int BitmapFileLoad(BitmapFile* bitmap, const char* filename);  // 1 loaded, 0 refused
int BitmapFileUnload(BitmapFile* bitmap);                      // always 1
int FlipRows(uint8_t* image, int bytes_per_row, int rows);     // 0 when out of memory

// ---- Bitmap images

constexpr int IMAGE_STATUS_ACTIVE = 1;
constexpr int IMAGE_FLAG_LOADED = 0x80;
constexpr int LOAD_BY_CELL = 0;
constexpr int LOAD_BY_POSITION = 1;  // any non-zero mode

struct BitmapImage {
    int status;       // IMAGE_STATUS_ACTIVE after creation
    int flags;        // IMAGE_FLAG_LOADED once pixels are loaded
    int x;            // left edge in the destination
    int y;            // top edge in the destination
    int width;        // pixels, = bytes per row
    int height;       // rows
    int size;         // width x height
    uint8_t* pixels;  // owned; rows top-down, no padding
};

int ImageCreate(BitmapImage* image, int x, int y, int width, int height);  // 0: empty size
int ImageDestroy(BitmapImage* image);  // 0 when the record holds no pixels
// Copies the image into a buffer with the given pitch; transparent skips index 0. The image
// rectangle is cut to the clipping rectangle (0, 0)-(639, 479) and to the pitch.
int ImageDraw(BitmapImage* image, uint8_t* dest, int dest_pitch, int transparent);
// 0 when the source rectangle leaves the picture or the file does not hold 8-bit pixels.
int ImageLoad(BitmapImage* image, const BitmapFile* bitmap, int cx, int cy, int mode);

#endif

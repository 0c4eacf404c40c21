// Operations on the display palette and palette_shadow, and palette text files.

#include "lib/palette.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "lib/display.h"
#include "platform/host_file.h"

namespace {

constexpr int PALETTE_SIZE = 256;

bool IndexValid(int index) {
    return index >= 0 && index < PALETTE_SIZE;
}

// Reads the next whitespace-separated decimal integer, as "%d" would, and keeps its low
// 8 bits (300 gives 44, -1 gives 255; longer numbers wrap the same way instead of
// overflowing). Returns false at the end of the file or at anything that is not a number.
// As with "%d", a sign not followed by a digit is used up and the character after it stays
// unread; any other offending character stays unread, so every later read fails at it too.
bool ReadLowByte(FILE* file, uint8_t* out) {
    int c = std::fgetc(file);
    while (c != EOF && std::isspace(c)) {
        c = std::fgetc(file);
    }
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        c = std::fgetc(file);
    }
    if (c == EOF || !std::isdigit(c)) {
        if (c != EOF) {
            std::ungetc(c, file);
        }
        return false;
    }
    unsigned value = 0;
    while (c != EOF && std::isdigit(c)) {
        value = (value * 10u + static_cast<unsigned>(c - '0')) & 0xFFu;
        c = std::fgetc(file);
    }
    if (c != EOF) {
        std::ungetc(c, file);
    }
    *out = static_cast<uint8_t>(negative ? (0u - value) & 0xFFu : value);
    return true;
}

}  // namespace

int PaletteSetEntry(int index, const PaletteEntry* entry) {
    if (!IndexValid(index) || entry == nullptr) {
        return 0;
    }
    // The display's refusal is ignored: the shadow follows the caller all the same.
    if (display_palette != nullptr) {
        HostPaletteSetEntries(display_palette, 0, index, 1, entry);
    }
    palette_shadow[index] = *entry;
    return 1;
}

int PaletteGetEntry(int index, PaletteEntry* entry) {
    if (!IndexValid(index) || entry == nullptr) {
        return 0;
    }
    *entry = palette_shadow[index];
    return 1;
}

int PaletteSetAll(const PaletteEntry* palette) {
    if (palette == nullptr) {
        return 0;
    }
    std::memmove(palette_shadow, palette, sizeof(palette_shadow));
    if (display_palette != nullptr) {
        HostPaletteSetEntries(display_palette, 0, 0, PALETTE_SIZE, palette_shadow);
    }
    return 1;
}

int PaletteGetAll(PaletteEntry* palette) {
    if (palette == nullptr) {
        return 0;
    }
    std::memmove(palette, palette_shadow, sizeof(palette_shadow));
    return 1;
}

int PaletteRotate(int start, int count) {
    if (start < 0 || count < 1 || start > PALETTE_SIZE - count) {
        return 0;
    }
    if (display_palette == nullptr) {
        return 1;
    }
    // Start from the shadow so that a refused read leaves known colours, not stack bytes.
    PaletteEntry work_pal[PALETTE_SIZE];
    std::memcpy(work_pal, palette_shadow + start, sizeof(PaletteEntry) * count);
    HostPaletteGetEntries(display_palette, 0, start, count, work_pal);
    if (count > 1) {
        HostPaletteSetEntries(display_palette, 0, start + 1, count - 1, work_pal);
    }
    HostPaletteSetEntries(display_palette, 0, start, 1, &work_pal[count - 1]);
    // The shadow takes what the display now holds; when the display refuses to report,
    // the shadow stays as it was.
    PaletteEntry reported[PALETTE_SIZE];
    if (HostPaletteGetEntries(display_palette, 0, 0, PALETTE_SIZE, reported)) {
        std::memcpy(palette_shadow, reported, sizeof(palette_shadow));
    }
    return 1;
}

int PaletteSaveFile(const char* filename, const PaletteEntry* palette) {
    if (filename == nullptr || palette == nullptr) {
        return 0;
    }
    FILE* file = std::fopen(filename, "w");
    if (file == nullptr) {
        return 0;
    }
    for (int i = 0; i < PALETTE_SIZE; i++) {
        std::fprintf(file, "\n%d %d %d %d", palette[i].red, palette[i].green, palette[i].blue,
                     palette[i].flags);
    }
    std::fclose(file);
    return 1;
}

int PaletteLoadFile(const char* filename, PaletteEntry* palette) {
    if (filename == nullptr || palette == nullptr) {
        return 0;
    }
    FILE* file = HostFileOpenRead(filename, "r", nullptr);
    if (file == nullptr) {
        return 0;
    }
    // One "%d %d %d %d" per entry: numbers are stored as they come, and a number that is
    // missing gives up the rest of its entry, which keeps its old bytes. The next entry reads
    // on from there, which gets past a lone sign and nothing else.
    for (int i = 0; i < PALETTE_SIZE; i++) {
        uint8_t* fields[4] = {&palette[i].red, &palette[i].green, &palette[i].blue,
                              &palette[i].flags};
        for (uint8_t* field : fields) {
            if (!ReadLowByte(file, field)) {
                break;
            }
        }
    }
    std::fclose(file);
    return 1;
}

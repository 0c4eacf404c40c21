#ifndef QENT_LIB_PALETTE_H
#define QENT_LIB_PALETTE_H

// Operations on the display palette and palette_shadow, its copy in memory, and palette
// text files.

#include "platform/host.h"

int PaletteSetEntry(int index, const PaletteEntry* entry);  // 0 for an index outside 0..255
int PaletteGetEntry(int index, PaletteEntry* entry);        // 0 for an index outside 0..255
int PaletteSetAll(const PaletteEntry* palette);             // 256 entries
int PaletteGetAll(PaletteEntry* palette);                   // 256 entries
int PaletteRotate(int start, int count);                    // 0 when the range leaves 0..255
int PaletteSaveFile(const char* filename, const PaletteEntry* palette);  // 0: not created
// One "%d %d %d %d" per entry, as fscanf reads it: a number that is missing leaves the rest
// of its entry as it was. 0 when the file is not a regular file that opens.
int PaletteLoadFile(const char* filename, PaletteEntry* palette);

#endif

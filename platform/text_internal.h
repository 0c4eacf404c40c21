#ifndef QENT_PLATFORM_TEXT_INTERNAL_H
#define QENT_PLATFORM_TEXT_INTERNAL_H

// Control of the text host's font, for tests: the font is otherwise found once and kept.

// Closes the font and forgets the cached strings; the next device context opens path, or
// searches the usual places again when path is null.
void HostTextUseFont(const char* path);

#endif

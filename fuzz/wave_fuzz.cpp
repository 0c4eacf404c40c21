// SoundLoadWave on any bytes: a sound id or -1, never a read outside the file's bytes.
#include "fuzz/fuzz_file.h"
#include "lib/sound.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* path = FuzzWriteFile(data, size);
    if (path == nullptr) {
        return 0;
    }
    SoundInit();  // the first call opens the headless device; later calls empty the table
    const int id = SoundLoadWave(path, 0xE0);
    if (id >= 0) {
        SoundPlay(id, SOUND_PLAY_LOOPING);
        SoundStop(id);
    }
    return 0;
}

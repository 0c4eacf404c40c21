// SoundLoadVoice on any bytes: a sound id or -1, never a read outside the file's bytes.
#include "fuzz/fuzz_file.h"
#include "lib/sound.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* path = FuzzWriteFile(data, size);
    if (path == nullptr) {
        return 0;
    }
    SoundInit();
    const int id = SoundLoadVoice(path);
    if (id >= 0) {
        SoundPlay(id, 0);
        SoundStop(id);
    }
    return 0;
}

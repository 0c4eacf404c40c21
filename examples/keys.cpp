// Keys: a marker moved by the mouse or the arrow keys, the left button paints a trail, Space
// plays a tone once and Enter starts or stops it looping, the wheel sets its volume.
// The tone is written as an 8-bit mono 11025 Hz WAVE file, the format every buffer plays.
#include <qent/qent.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>

constexpr int MARKER = 12;                          // pixels square
constexpr uint8_t TRAIL = 40, MARKER_COLOUR = 255;  // a red and the white of the ramps

int keys_x = 314, keys_y = 234, keys_volume = 100, keys_tone = -1, keys_looping = 0;
uint8_t keys_before[256];  // last frame's keys, for presses
BitmapImage keys_trail;    // what the button has painted, copied in every frame
std::string keys_tone_file;

bool Pressed(int key) {
    return key_states[key] && !keys_before[key];
}

// A 440 Hz tone of a quarter second.
bool WriteTone(const std::string& path) {
    const uint32_t rate = 11025, count = rate / 4, riff = 36 + count;
    const uint32_t header[] = {0x46464952, riff, 0x45564157, 0x20746d66, 16,   0x00010001,
                               rate,       rate, 0x00080001, 0x61746164, count};
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    std::fwrite(header, sizeof header, 1, file);  // little-endian fields, as RIFF wants
    for (uint32_t i = 0; i < count; i++) {
        std::fputc(128 + static_cast<int>(90 * std::sin(i * 2 * std::numbers::pi * 440 / rate)),
                   file);
    }
    return std::fclose(file) == 0;
}

int KeysStartup() {
    DisplayInit(640, 480, 8);
    InputInit();
    KeyboardInit();
    MouseInit();
    SoundInit();
    keys_tone_file = (std::filesystem::temp_directory_path() / "qent-keys-tone.wav").string();
    if (WriteTone(keys_tone_file)) {
        keys_tone = SoundLoadWave(keys_tone_file.c_str(), DSBCAPS_CTRLVOLUME);
    }
    HostShowCursor(0);  // hidden: the mouse moves the marker, not a pointer
    const int made = ImageCreate(&keys_trail, 0, 0, 640, 440);
    keys_trail.flags |= IMAGE_FLAG_LOADED;  // painted here, not loaded: ImageDraw wants the flag
    return made;
}

int KeysFrame() {
    ClockMark();
    KeyboardRead();
    MouseRead();
    keys_x += mouse_reading.lX + 4 * (!!key_states[DIK_RIGHT] - !!key_states[DIK_LEFT]);
    keys_y += mouse_reading.lY + 4 * (!!key_states[DIK_DOWN] - !!key_states[DIK_UP]);
    keys_x = keys_x < 0 ? 0 : keys_x > 640 - MARKER ? 640 - MARKER : keys_x;
    keys_y = keys_y < 0 ? 0 : keys_y > 440 - MARKER ? 440 - MARKER : keys_y;
    if (mouse_reading.lZ != 0) {
        keys_volume += mouse_reading.lZ > 0 ? 10 : -10;
        keys_volume = keys_volume < 0 ? 0 : keys_volume > 100 ? 100 : keys_volume;
        SoundSetVolume(keys_tone, keys_volume);
    }
    if (Pressed(DIK_SPACE)) {
        SoundPlay(keys_tone, 0);
    }
    if (Pressed(DIK_RETURN)) {
        keys_looping = !keys_looping;
        keys_looping ? SoundPlay(keys_tone, SOUND_PLAY_LOOPING) : SoundStop(keys_tone);
    }
    if (mouse_reading.rgbButtons[0] != 0) {
        for (int y = keys_y; y < keys_y + MARKER; y++) {
            for (int x = keys_x; x < keys_x + MARKER; x++) {
                keys_trail.pixels[y * keys_trail.width + x] = TRAIL;
            }
        }
    }
    SurfaceFill(back_surface, 0);
    uint8_t* pixels = BackLock();  // sets back_pitch
    ImageDraw(&keys_trail, pixels, back_pitch, 0);
    BackUnlock();
    RectFill(keys_x, keys_y, keys_x + MARKER, keys_y + MARKER, MARKER_COLOUR, back_surface);
    char line[80];
    std::snprintf(line, sizeof line, "Space: tone   Enter: loop %s   wheel: volume %d",
                  keys_looping ? "on" : "off", keys_volume);
    TextDraw(line, 150, 452, 0xFFFFFF, back_surface);
    DisplayFlip();
    for (int key = 0; key < 256; key++) {
        keys_before[key] = key_states[key];
    }
    if (key_states[DIK_ESCAPE]) {
        HostPostMessage(app_window, WM_CLOSE, 0, 0);
    }
    ClockWait(33);
    return 1;
}

int KeysTeardown() {
    SoundShutdown();
    std::remove(keys_tone_file.c_str());
    ImageDestroy(&keys_trail);
    MouseRelease();
    KeyboardRelease();
    InputShutdown();
    return DisplayShutdown();
}

int main(int argc, char** argv) {
    const ShellGame keys = {KeysStartup, KeysFrame, KeysTeardown, "Keys"};
    return ShellMain(argc, argv, &keys);
}

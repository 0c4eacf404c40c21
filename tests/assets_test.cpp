// The asset pack made by tools/make_assets: the files load through the library's own loaders,
// keep the sizes, grids and palette the game relies on, and come out the same on every run.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "lib/bitmap.h"
#include "lib/sound.h"
#include "platform/headless.h"
#include "platform/host_audio.h"
#include "tests/support/common_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

const char* const ASSET_FILES[] = {"TOXICBG.BMP",  "death.BMP",    "start.BMP",
                                   "Scanning.BMP", "Lockedon.bmp", "Duck.bmp",
                                   "deadduck.bmp", "Rifle.WAV",    "Beep.wav"};

struct PictureSpec {
    const char* name;
    int frames;  // 0 for a full-screen picture
    int width;   // of the picture, or of one frame
    int height;
};

// The full-screen pictures, then the sprite sheets.
const PictureSpec PICTURES[] = {
    {"TOXICBG.BMP", 0, 640, 480}, {"death.BMP", 0, 640, 480},  {"start.BMP", 0, 640, 480},
    {"Scanning.BMP", 4, 64, 64},  {"Lockedon.bmp", 7, 64, 64}, {"Duck.bmp", 6, 128, 64},
    {"deadduck.bmp", 3, 128, 64},
};
const PictureSpec* const SHEETS = PICTURES + 3;
constexpr int SHEET_COUNT = 4;

// A pack made beforehand (QENT_ASSET_DIR), for builds whose tests cannot run the generator.
const char* ReadyPack() {
    const char* ready = std::getenv("QENT_ASSET_DIR");
    return ready != nullptr && ready[0] != '\0' ? ready : nullptr;
}

// Makes the pack in a fresh folder (or copies the ready one); the generator's exit status.
int RunGenerator(const std::string& dir) {
    std::filesystem::create_directories(dir);
    if (ReadyPack() != nullptr) {
        std::error_code error;
        std::filesystem::copy(ReadyPack(), dir,
                              std::filesystem::copy_options::recursive |
                                  std::filesystem::copy_options::overwrite_existing,
                              error);
        return error ? 1 : 0;
    }
    std::string command = std::string("\"") + QENT_BINARY_DIR + "/make_assets\" \"" + dir + "\"";
    return std::system(command.c_str());
}

uint32_t U32(const Bytes& b, size_t at) {
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
           static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

uint16_t U16(const Bytes& b, size_t at) {
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

double Luma(const PaletteEntry& c) {
    return 0.299 * c.red + 0.587 * c.green + 0.114 * c.blue;
}

// A loaded picture, unloaded when it goes out of scope.
struct Loaded {
    BitmapFile file{};
    int ok = 0;

    explicit Loaded(const std::string& path) {
        ok = BitmapFileLoad(&file, path.c_str());
    }
    ~Loaded() {
        BitmapFileUnload(&file);
    }
    int Width() const {
        return file.info_header.biWidth;
    }
    int Height() const {
        return file.info_header.biHeight;
    }
    uint8_t At(int x, int y) const {
        return file.pixels[static_cast<size_t>(y) * Width() + x];
    }
    const PaletteEntry& Colour(int x, int y) const {
        return file.palette[At(x, y)];
    }
};

// The pack is made once for the whole file; the determinism test makes a second one.
class AssetPack : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        status_ = RunGenerator(Path(""));
    }
    void SetUp() override {
        ASSERT_EQ(status_, 0) << "make_assets failed (built at " << QENT_BINARY_DIR << "?)";
    }
    static std::string Path(const std::string& name) {
        return ScratchPath("pack/" + name);
    }
    static int status_;
};

int AssetPack::status_ = -1;

// ---------------------------------------------------------------------------
// Files and formats

TEST_F(AssetPack, WritesAllNineFilesUnderTheirExactNamesTheSameOnEveryRun) {
    if (ReadyPack() != nullptr) {
        GTEST_SKIP() << "the pack was made beforehand (QENT_ASSET_DIR): no second run to compare";
    }
    ASSERT_EQ(RunGenerator(ScratchPath("again")), 0);
    for (const char* name : ASSET_FILES) {
        const Bytes a = ReadFile(Path(name));
        const Bytes b = ReadFile(ScratchPath(std::string("again/") + name));
        EXPECT_FALSE(a.empty()) << name << " missing";
        EXPECT_TRUE(a == b) << name << " differs between two runs (" << a.size() << " vs "
                            << b.size() << " bytes)";
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Path("")),
                            std::filesystem::directory_iterator()),
              9)
        << "the folder should hold the nine files and nothing else";
}

// Uncompressed 8-bit files with padded bottom-up rows, read back by the library's loader.
TEST_F(AssetPack, PicturesAreEightBitBmpsOfTheirSizesThatLoad) {
    for (const auto& picture : PICTURES) {
        SCOPED_TRACE(picture.name);
        const Bytes b = ReadFile(Path(picture.name));
        ASSERT_GE(b.size(), 1078u);
        const int width = picture.frames ? picture.frames * (picture.width + 1) + 1 : picture.width;
        const int height = picture.frames ? picture.height + 2 : picture.height;
        const uint32_t stride = (static_cast<uint32_t>(width) + 3u) & ~3u;
        EXPECT_EQ(std::string(b.begin(), b.begin() + 2), "BM");
        EXPECT_EQ(U32(b, 2), b.size()) << "bfSize";
        EXPECT_EQ(U32(b, 10), 1078u) << "bfOffBits";
        EXPECT_EQ(U32(b, 14), 40u) << "biSize";
        EXPECT_EQ(static_cast<int32_t>(U32(b, 18)), width);
        EXPECT_EQ(static_cast<int32_t>(U32(b, 22)), height) << "positive: bottom-up rows";
        EXPECT_EQ(U16(b, 26), 1) << "biPlanes";
        EXPECT_EQ(U16(b, 28), 8) << "biBitCount";
        EXPECT_EQ(U32(b, 30), 0u) << "biCompression";
        EXPECT_EQ(U32(b, 34), stride * static_cast<uint32_t>(height)) << "biSizeImage";
        ASSERT_EQ(b.size(), 1078u + stride * static_cast<uint32_t>(height));
        for (int i = 0; i < 256; ++i) {
            EXPECT_EQ(b[54 + 4 * i + 3], 0) << "reserved byte of colour " << i;
        }
        for (int row = 0; row < height; ++row) {
            for (uint32_t x = static_cast<uint32_t>(width); x < stride; ++x) {
                EXPECT_EQ(b[1078 + row * stride + x], 0) << "padding of stored row " << row;
            }
        }
        Loaded pic(Path(picture.name));
        ASSERT_EQ(pic.ok, 1) << "BitmapFileLoad refused it";
        EXPECT_EQ(pic.Width(), width);
        EXPECT_EQ(pic.Height(), height);
        EXPECT_EQ(pic.file.info_header.biBitCount, 8);
    }
}

TEST_F(AssetPack, WavesAreEightBitMonoPcmAt11025WithTheStandardHeader) {
    const struct {
        const char* name;
        double min_seconds, max_seconds;
    } waves[] = {{"Rifle.WAV", 0.35, 0.45}, {"Beep.wav", 0.18, 0.22}};
    for (const auto& w : waves) {
        SCOPED_TRACE(w.name);
        const Bytes b = ReadFile(Path(w.name));
        ASSERT_GE(b.size(), 44u);
        EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
        EXPECT_EQ(U32(b, 4), b.size() - 8) << "RIFF size";
        EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
        EXPECT_EQ(U32(b, 16), 16u) << "fmt chunk size";
        EXPECT_EQ(U16(b, 20), 1) << "PCM";
        EXPECT_EQ(U16(b, 22), 1) << "channels";
        EXPECT_EQ(U32(b, 24), 11025u) << "rate";
        EXPECT_EQ(U32(b, 28), 11025u) << "bytes per second";
        EXPECT_EQ(U16(b, 32), 1) << "block alignment";
        EXPECT_EQ(U16(b, 34), 8) << "bits";
        EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
        const uint32_t data = U32(b, 40);
        EXPECT_EQ(44u + data + (data & 1u), b.size());
        EXPECT_GE(data / 11025.0, w.min_seconds);
        EXPECT_LE(data / 11025.0, w.max_seconds);
    }
}

// ---------------------------------------------------------------------------
// The palette

TEST_F(AssetPack, AllPicturesShareTheTitlePaletteWithBlackAtZero) {
    Loaded title(Path("start.BMP"));
    ASSERT_EQ(title.ok, 1);
    EXPECT_EQ(ShowEntry(title.file.palette[0], false), "0,0,0") << "index 0 must be black";
    for (const auto& picture : PICTURES) {
        Loaded pic(Path(picture.name));
        ASSERT_EQ(pic.ok, 1) << picture.name;
        for (int i = 0; i < 256; ++i) {
            ASSERT_EQ(ShowEntry(pic.file.palette[i], false),
                      ShowEntry(title.file.palette[i], false))
                << picture.name << " colour " << i << " against start.BMP";
        }
    }
}

TEST_F(AssetPack, PaletteHoldsTheTextColoursExactly) {
    Loaded title(Path("start.BMP"));
    ASSERT_EQ(title.ok, 1);
    // Text is drawn in the entry nearest to its colour by least squares.
    const PaletteEntry colours[] = {
        {0, 0, 0, 0}, {255, 255, 0, 0}, {255, 0, 0, 0}, {50, 255, 255, 0}};
    for (const PaletteEntry& c : colours) {
        int best = 0;
        int best_d = 1 << 30;
        for (int i = 0; i < 256; ++i) {
            const PaletteEntry& e = title.file.palette[i];
            const int d = (e.red - c.red) * (e.red - c.red) +
                          (e.green - c.green) * (e.green - c.green) +
                          (e.blue - c.blue) * (e.blue - c.blue);
            if (d < best_d) {
                best_d = d;
                best = i;
            }
        }
        EXPECT_EQ(ShowEntry(title.file.palette[best], false), ShowEntry(c, false))
            << "nearest entry " << best;
    }
}

// Regions where the game writes text must let that text read.
TEST_F(AssetPack, TextAreasKeepTheirContrast) {
    const struct {
        const char* name;
        const char* what;
        int x0, y0, x1, y1;
        double min_mean, max_mean;
    } areas[] = {
        {"TOXICBG.BMP", "black status line", 0, 0, 640, 18, 150, 255},
        {"TOXICBG.BMP", "yellow, red and cyan bonus texts", 170, 190, 540, 330, 20, 95},
        {"death.BMP", "yellow score", 4, 4, 150, 30, 0, 60},
        {"start.BMP", "black version text", 546, 446, 624, 470, 150, 255},
    };
    for (const auto& a : areas) {
        Loaded pic(Path(a.name));
        ASSERT_EQ(pic.ok, 1) << a.name;
        double sum = 0;
        for (int y = a.y0; y < a.y1; ++y) {
            for (int x = a.x0; x < a.x1; ++x) {
                sum += Luma(pic.Colour(x, y));
            }
        }
        const double mean = sum / ((a.x1 - a.x0) * (a.y1 - a.y0));
        EXPECT_GE(mean, a.min_mean) << a.name << ", " << a.what << ": mean brightness " << mean;
        EXPECT_LE(mean, a.max_mean) << a.name << ", " << a.what << ": mean brightness " << mean;
    }
}

// ---------------------------------------------------------------------------
// Sprite sheets

// Every cell framed by a non-zero border, its last row and column 0, art in it that neither
// vanishes nor fills it, and no two frames in a row the same.
TEST_F(AssetPack, EveryCellIsFramedTransparentAtItsEdgesAndHoldsArt) {
    for (const PictureSpec& s : std::span(SHEETS, SHEET_COUNT)) {
        SCOPED_TRACE(s.name);
        Loaded pic(Path(s.name));
        ASSERT_EQ(pic.ok, 1);
        for (int x = 0; x < pic.Width(); ++x) {
            const bool border_column = x % (s.width + 1) == 0;
            for (int y = 0; y < pic.Height(); ++y) {
                const bool border = border_column || y == 0 || y == s.height + 1;
                const bool last = x % (s.width + 1) == s.width || y == s.height;
                if (border || last) {
                    ASSERT_EQ(pic.At(x, y) != 0, border) << "at (" << x << ", " << y << ")";
                }
            }
        }
        Bytes previous;
        for (int i = 0; i < s.frames; ++i) {
            Bytes cell;
            for (int y = 0; y < s.height; ++y) {
                for (int x = 0; x < s.width; ++x) {
                    cell.push_back(pic.At(i * (s.width + 1) + 1 + x, 1 + y));
                }
            }
            const auto solid = std::count_if(cell.begin(), cell.end(), [](uint8_t v) { return v; });
            EXPECT_GE(solid, s.width * s.height / 12) << "cell " << i << " is nearly empty";
            EXPECT_LT(solid, s.width * s.height * 3 / 4) << "cell " << i << " hardly shows through";
            EXPECT_NE(cell, previous) << "frames " << i - 1 << " and " << i;
            previous = cell;
        }
    }
}

// The shot is tested at the sprite's centre, so the sights must be drawn around (32, 32).
TEST_F(AssetPack, SightsAreCentredOnTheHitPoint) {
    for (const PictureSpec& s : {SHEETS[0], SHEETS[1]}) {
        Loaded pic(Path(s.name));
        ASSERT_EQ(pic.ok, 1) << s.name;
        for (int i = 0; i < s.frames; ++i) {
            int x0 = i * (s.width + 1) + 1;
            int min_x = s.width, max_x = -1, min_y = s.height, max_y = -1;
            for (int y = 0; y < s.height; ++y) {
                for (int x = 0; x < s.width; ++x) {
                    if (pic.At(x0 + x, 1 + y)) {
                        min_x = std::min(min_x, x);
                        max_x = std::max(max_x, x);
                        min_y = std::min(min_y, y);
                        max_y = std::max(max_y, y);
                    }
                }
            }
            ASSERT_GE(max_x, 0) << s.name << " cell " << i << " is empty";
            EXPECT_NEAR((min_x + max_x) / 2.0, 32.0, 1.0) << s.name << " cell " << i;
            EXPECT_NEAR((min_y + max_y) / 2.0, 32.0, 1.0) << s.name << " cell " << i;
            EXPECT_NE(pic.At(x0 + 32, 1 + 32), 0) << s.name << " cell " << i << ": no centre dot";
        }
    }
}

// Ducks cross from right to left: the yellow beak and the green head lead on the left.
TEST_F(AssetPack, FlyingDuckFacesLeft) {
    Loaded pic(Path("Duck.bmp"));
    ASSERT_EQ(pic.ok, 1);
    for (int i = 0; i < 6; ++i) {
        int x0 = i * 129 + 1;
        double all_x = 0, beak_x = 0, head_x = 0;
        int all = 0, beak = 0, head = 0;
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 128; ++x) {
                if (!pic.At(x0 + x, 1 + y)) {
                    continue;
                }
                const PaletteEntry& c = pic.Colour(x0 + x, 1 + y);
                all_x += x;
                ++all;
                if (c.red > 190 && c.green > 130 && c.blue < 90) {
                    beak_x += x;
                    ++beak;
                }
                if (c.green > c.red + 40 && c.green > c.blue + 20) {
                    head_x += x;
                    ++head;
                }
            }
        }
        ASSERT_GT(all, 0);
        ASSERT_GT(beak, 10) << "frame " << i << ": no yellow beak";
        ASSERT_GT(head, 40) << "frame " << i << ": no green head";
        EXPECT_LT(beak_x / beak, all_x / all - 30) << "frame " << i << ": beak not in front";
        EXPECT_LT(head_x / head, all_x / all - 20) << "frame " << i << ": head not in front";
    }
}

// ---------------------------------------------------------------------------
// Sounds

// The samples of a WAVE file as the pack writes it: the data chunk at byte 44.
Bytes Samples(const std::string& path) {
    const Bytes b = ReadFile(path);
    return b.size() < 44 ? Bytes() : Bytes(b.begin() + 44, b.begin() + 44 + U32(b, 40));
}

TEST_F(AssetPack, SoundsLoadThroughSoundLoadWaveAt11025) {
    HeadlessReset();
    SoundShutdown();
    sound_init_pending = 1;
    ASSERT_EQ(SoundInit(), 1);
    for (const char* name : {"Rifle.WAV", "Beep.wav"}) {
        const int id = SoundLoadWave(Path(name).c_str(), 0xE0);
        ASSERT_GE(id, 0) << name << " refused";
        EXPECT_EQ(sound_table[id].rate, 11025) << name;
        EXPECT_EQ(sound_table[id].size, static_cast<int32_t>(Samples(Path(name)).size())) << name;
    }
    SoundShutdown();
    sound_init_pending = 1;
}

TEST_F(AssetPack, BeepHoldsWholeCyclesNearOneKilohertzAndLoopsWithoutAClick) {
    const Bytes s = Samples(Path("Beep.wav"));
    ASSERT_GT(s.size(), 100u);
    int max_step = 0;
    int max_bend = 0;
    int rising = 0;
    const size_t n = s.size();
    auto at = [&](size_t i) { return static_cast<int>(s[i % n]); };
    for (size_t i = 1; i < n; ++i) {
        max_step = std::max(max_step, std::abs(at(i) - at(i - 1)));
        if (i + 1 < n) {
            max_bend = std::max(max_bend, std::abs(at(i + 1) - 2 * at(i) + at(i - 1)));
        }
        rising += at(i - 1) < 128 && at(i) >= 128;
    }
    rising += at(n - 1) < 128 && at(0) >= 128;  // the join, played as a loop
    int seam_step = std::abs(at(0) - at(n - 1));
    int seam_bend = std::max(std::abs(at(0) - 2 * at(n - 1) + at(n - 2)),
                             std::abs(at(1) - 2 * at(0) + at(n - 1)));
    EXPECT_LE(seam_step, max_step) << "the loop's join jumps further than any step inside";
    EXPECT_LE(seam_bend, max_bend) << "the loop's join bends harder than the tone itself";
    double hz = rising * 11025.0 / static_cast<double>(n);
    EXPECT_NEAR(hz, 1000.0, 50.0) << rising << " cycles in " << n << " samples";
    EXPECT_GE(max_step, 20) << "too quiet to hear";
}

TEST_F(AssetPack, RifleCracksAtOnceAndDiesAway) {
    const Bytes s = Samples(Path("Rifle.WAV"));
    ASSERT_GT(s.size(), 2000u);
    auto rms = [&](size_t from, size_t count) {
        double sum = 0;
        for (size_t i = from; i < from + count; ++i) {
            double v = static_cast<double>(s[i]) - 128.0;
            sum += v * v;
        }
        return std::sqrt(sum / static_cast<double>(count));
    };
    const size_t window = 11025 / 20;  // 50 ms
    int peak = 0;
    for (size_t i = 0; i < 11025 / 50; ++i) {
        peak = std::max(peak, std::abs(static_cast<int>(s[i]) - 128));
    }
    EXPECT_GE(peak, 90) << "no sharp crack in the first 20 ms";
    double first = rms(0, window);
    double last = rms(s.size() - window, window);
    EXPECT_LT(last, first * 0.05) << "start " << first << ", end " << last;
    EXPECT_NEAR(static_cast<int>(s.back()), 128, 2) << "it should end in silence";
}

}  // namespace

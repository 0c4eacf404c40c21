// The sound table, its WAVE and voice loaders, playback control and the mixer, headless.

#include <gtest/gtest.h>
#include <sys/stat.h>  // mkfifo, where QENT_HAVE_POSIX_FILES

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <tuple>
#include <vector>

#include "lib/sound.h"
#include "platform/headless.h"
#include "platform/host_audio.h"
#include "tests/support/common_support.h"

// Counts every allocation through operator new, so the mixing path can be shown to make none.
// Every form is replaced so that each allocation and release meet the same pair. With the
// replacement inlined, GCC 12 at -O2 mistakes the malloc/free pair and vector growth for
// mismatches and overflows; both are false here.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#pragma GCC diagnostic ignored "-Wstringop-overflow"
namespace {
std::atomic<long> allocation_count{0};

void* CountedAllocation(std::size_t size) noexcept {
    ++allocation_count;
    return std::malloc(size != 0 ? size : 1);
}
}  // namespace

void* operator new(std::size_t size) {
    if (void* p = CountedAllocation(size)) {
        return p;
    }
    throw std::bad_alloc();
}

void* operator new[](std::size_t size) {
    return operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return CountedAllocation(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return CountedAllocation(size);
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete[](void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int RATE = 11025;  // every buffer's frequency; mixing at it gives the samples back

void Put16(Bytes* out, uint32_t value) {
    out->push_back(static_cast<uint8_t>(value));
    out->push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(Bytes* out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

void PutTag(Bytes* out, const char* tag) {
    out->insert(out->end(), tag, tag + 4);
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

// A chunk: ID, size, data, and the pad byte of an odd size.
Bytes Chunk(const char* id, const Bytes& data) {
    Bytes out;
    PutTag(&out, id);
    Put32(&out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() & 1) {
        out.push_back(0);
    }
    return out;
}

Bytes Riff(const char* form, const Bytes& body) {
    Bytes inner;
    PutTag(&inner, form);
    inner.insert(inner.end(), body.begin(), body.end());
    return Chunk("RIFF", inner);
}

// Format chunk data of data_size bytes (16, 18 or more; zero-filled past the 16 standard).
Bytes Format(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, size_t data_size) {
    Bytes out;
    Put16(&out, tag);
    Put16(&out, channels);
    Put32(&out, rate);
    Put32(&out, rate * channels * bits / 8);
    Put16(&out, channels * bits / 8);
    Put16(&out, bits);
    out.resize(data_size, 0);
    return out;
}

// A WAVE file: its format chunk, then its data chunk.
Bytes Wave(const Bytes& samples, const Bytes& format = Format(1, 1, RATE, 8, 16)) {
    return Riff("WAVE", Join({Chunk("fmt ", format), Chunk("data", samples)}));
}

// A voice file: the 26-byte header (H = 26) and one block of type 1 whose length field is
// samples + 2, as writers make it.
Bytes Voice(uint8_t tc, const Bytes& samples) {
    Bytes out;
    const char* signature = "Creative Voice File\x1a";
    out.insert(out.end(), signature, signature + 20);
    Put16(&out, 26);
    Put16(&out, 0x010A);
    Put16(&out, 0x1129);
    Put32(&out, 1 | static_cast<uint32_t>(samples.size() + 2) << 8);  // type 1, 24-bit length
    Put16(&out, tc);                                                  // then packing 0
    out.insert(out.end(), samples.begin(), samples.end());
    out.push_back(0);  // terminator block
    return out;
}

Bytes Ramp(size_t count, uint8_t first = 1) {
    Bytes out(count);
    for (size_t i = 0; i < count; ++i) {
        out[i] = static_cast<uint8_t>(first + i * 7);
    }
    return out;
}

int16_t Level(uint8_t sample) {
    return static_cast<int16_t>((sample - 128) * 256);
}

// The bytes a slot's buffer holds, read through a lock of the whole buffer.
Bytes BufferBytes(int id) {
    HostAudioBuffer* buffer = sound_table[id].buffer;
    void* p1 = nullptr;
    void* p2 = nullptr;
    uint32_t l1 = 0;
    uint32_t l2 = 0;
    if (buffer == nullptr ||
        !HostAudioBufferLock(buffer, 0, 0, &p1, &l1, &p2, &l2, DSBLOCK_ENTIREBUFFER)) {
        return {};
    }
    Bytes out(static_cast<uint8_t*>(p1), static_cast<uint8_t*>(p1) + l1);
    HostAudioBufferUnlock(buffer, p1, l1, p2, l2);
    return out;
}

struct Stereo {
    std::vector<int16_t> left;
    std::vector<int16_t> right;
};

Stereo Mix(int frames, int rate = RATE) {
    std::vector<int16_t> out(2 * static_cast<size_t>(frames), 12345);
    HostAudioMix(sound_device, out.data(), frames, rate);
    Stereo result;
    for (int i = 0; i < frames; ++i) {
        result.left.push_back(out[2 * i]);
        result.right.push_back(out[2 * i + 1]);
    }
    return result;
}

// Frames of a start's or stop's fade at the tests' rate.
int RampFrames() {
    return RATE * HOST_AUDIO_RAMP_MS / 1000;
}

// What the mixer gives for samples at unity gain, centre pan, 11025 Hz, then silence.
std::vector<int16_t> Expected(const Bytes& samples, int frames) {
    std::vector<int16_t> out(static_cast<size_t>(frames), 0);
    for (size_t i = 0; i < samples.size() && i < out.size(); ++i) {
        out[i] = Level(samples[i]);
    }
    return out;
}

class SoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        HeadlessReset();
        SoundShutdown();
        sound_init_pending = 1;
        ASSERT_EQ(SoundInit(), 1);
    }
    void TearDown() override {
        HostRefuse(0);
        SoundShutdown();
        sound_init_pending = 1;
        EXPECT_EQ(HostAudioLiveBuffers(), 0) << "buffers left after SoundShutdown";
    }
    static std::string Write(const std::string& name, const Bytes& bytes) {
        const std::string path = ScratchPath(name);
        EXPECT_TRUE(WriteFile(path, bytes)) << path;
        return path;
    }
    static int LoadWave(const Bytes& bytes, int flags = 0xE0) {
        return SoundLoadWave(Write("sound.wav", bytes).c_str(), flags);
    }
};

// ---------------------------------------------------------------------------
// The table and the WAVE loader

TEST_F(SoundTest, LoadsTakeIdsInOrderUntilTheTableIsFull) {
    std::string path = Write("a.wav", Wave(Ramp(8)));
    for (int expected = 0; expected < SOUND_TABLE_SIZE; ++expected) {
        ASSERT_EQ(SoundLoadWave(path.c_str(), 0xE0), expected);
    }
    EXPECT_EQ(SoundLoadWave(path.c_str(), 0xE0), -1) << "the 65th load";
    EXPECT_EQ(SoundLoadVoice(Write("a.voc", Voice(166, Ramp(20))).c_str()), -1);
    EXPECT_EQ(SoundCopy(0), -1);
    const SoundSlot& slot = sound_table[1];
    EXPECT_NE(slot.buffer, nullptr);
    EXPECT_EQ(std::vector<int>({slot.state, slot.rate, slot.size, slot.id}),
              std::vector<int>({SOUND_SLOT_LOADED, RATE, 8, 1}));
}

// A 22050 Hz 16-bit stereo file records its rate and plays its bytes as 8-bit mono.
TEST_F(SoundTest, SamplesLoadAsTheyStandIntoAn11025HzBuffer) {
    for (const auto& [channels, rate, bits] : {std::tuple{1, RATE, 8}, std::tuple{2, 22050, 16}}) {
        const Bytes data = Ramp(400);
        ASSERT_EQ(SoundInit(), 1);
        ASSERT_EQ(LoadWave(Wave(data, Format(1, channels, rate, bits, 16))), 0);
        EXPECT_EQ(sound_table[0].rate, rate);
        EXPECT_EQ(sound_table[0].size, 400);
        EXPECT_EQ(BufferBytes(0), data) << rate << " Hz";
        uint32_t frequency = 0;
        ASSERT_EQ(HostAudioBufferGetFrequency(sound_table[0].buffer, &frequency), 1);
        EXPECT_EQ(frequency, 11025u);
    }
}

TEST_F(SoundTest, ChunkLayoutsThatLoad) {
    const Bytes samples = Ramp(9);  // odd: its chunk carries a pad byte
    const Bytes format = Format(1, 1, 8000, 8, 16);
    const Bytes data = Chunk("data", samples);
    const struct {
        const char* what;
        Bytes file;
    } cases[] = {
        {"16-byte format chunk", Wave(samples, format)},
        {"18-byte format chunk", Wave(samples, Format(1, 1, 8000, 8, 18))},
        {"odd 19-byte format chunk, padded", Wave(samples, Format(1, 1, 8000, 8, 19))},
        {"first subchunk not named fmt", Riff("WAVE", Join({Chunk("abcd", format), data}))},
        {"odd chunk between format and data",
         Riff("WAVE", Join({Chunk("fmt ", format), Chunk("LIST", Ramp(5)), data}))},
        {"other top-level chunks before the RIFF WAVE",
         Join({Chunk("JUNK", Ramp(3)), Riff("AVI ", Ramp(6)), Wave(samples, format)})},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(SoundInit(), 1);
        EXPECT_EQ(LoadWave(c.file), 0) << c.what;
        EXPECT_EQ(sound_table[0].rate, 8000) << c.what;
        EXPECT_EQ(sound_table[0].size, 9) << c.what;
        EXPECT_EQ(BufferBytes(0), samples) << c.what;
    }
}

TEST_F(SoundTest, MalformedWaveFilesAreRefusedAndClaimNothing) {
    const Bytes fmt = Chunk("fmt ", Format(1, 1, RATE, 8, 16));
    const Bytes data = Chunk("data", Ramp(10));
    Bytes wave = Wave(Ramp(10));
    Bytes not_wave = wave;
    std::copy_n("AVI ", 4, not_wave.begin() + 8);
    // The RIFF chunk's size ends it before its data chunk.
    Bytes data_outside = Join({Riff("WAVE", fmt), data});
    const struct {
        const char* what;
        Bytes file;
    } cases[] = {
        {"empty file", {}},
        {"no RIFF chunk", Chunk("JUNK", Ramp(40))},
        {"RIFF of another form", not_wave},
        {"RIFF WAVE with no subchunk", Riff("WAVE", {})},
        {"format data shorter than 18 bytes to the end", Riff("WAVE", fmt)},
        {"format tag 3 (floating point)", Wave(Ramp(10), Format(3, 1, RATE, 32, 16))},
        {"format tag 0", Wave(Ramp(10), Format(0, 1, RATE, 8, 16))},
        {"format tag 0xFFFE (extensible)", Wave(Ramp(10), Format(0xFFFE, 1, RATE, 8, 40))},
        {"no data chunk", Riff("WAVE", Join({fmt, Chunk("LIST", Ramp(30))}))},
        {"data chunk after the end of the RIFF chunk", data_outside},
        {"file cut inside the format chunk", Bytes(wave.begin(), wave.begin() + 30)},
        {"file cut inside the samples", Bytes(wave.begin(), wave.end() - 3)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LoadWave(c.file), -1) << c.what;
        EXPECT_EQ(sound_table[0].state, SOUND_SLOT_FREE) << c.what;
    }
    EXPECT_EQ(SoundLoadWave(ScratchPath("missing.wav").c_str(), 0xE0), -1);
    EXPECT_EQ(SoundLoadWave(ScratchPath("").c_str(), 0xE0), -1) << "a directory";
    EXPECT_EQ(SoundLoadWave(nullptr, 0xE0), -1);
    EXPECT_EQ(LoadWave(wave), 0) << "the first slot is still free";
}

// A FIFO would wait for a writer and /dev/zero never ends: both loaders refuse them and a
// folder at once, and claim nothing.
TEST_F(SoundTest, SpecialFilesAreRefusedAtOnce) {
#if !QENT_HAVE_POSIX_FILES
    GTEST_SKIP() << "this system has no FIFOs, devices, links or fork to try";
#else
    const std::string fifo = ScratchPath("fifo.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0) << fifo;
    const std::string folder = ScratchPath("folder.wav");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0) << folder;
    for (const std::string& path : {fifo, std::string("/dev/zero"), folder}) {
        for (const bool voice : {false, true}) {
            const char* loader = voice ? "SoundLoadVoice" : "SoundLoadWave";
            const ChildResult got = RunInChild(10, [&] {
                const int id =
                    voice ? SoundLoadVoice(path.c_str()) : SoundLoadWave(path.c_str(), 0xE0);
                return std::to_string(id) + " state " + std::to_string(sound_table[0].state);
            });
            EXPECT_TRUE(got.finished) << loader << "(" << path << ") did not return within 10 s";
            EXPECT_EQ(got.output, "-1 state 0") << loader << "(" << path << ")";
        }
    }
#endif
}

TEST_F(SoundTest, ALoadThatFailsAfterItsClaimKeepsTheSlotFromTheNextLoad) {
    // A data chunk of 0 bytes: the device refuses a buffer of that size.
    EXPECT_EQ(LoadWave(Wave({})), -1);
    EXPECT_EQ(sound_table[0].state, SOUND_SLOT_LOADED);
    EXPECT_EQ(sound_table[0].buffer, nullptr);
    EXPECT_EQ(LoadWave(Wave(Ramp(4))), 1);

    // A refused lock leaves the claimed slot with its buffer.
    HostRefuse(HOST_REFUSE_AUDIO_LOCK);
    EXPECT_EQ(LoadWave(Wave(Ramp(4))), -1);
    EXPECT_EQ(sound_table[2].state, SOUND_SLOT_LOADED);
    EXPECT_NE(sound_table[2].buffer, nullptr);
    HostRefuse(HOST_REFUSE_AUDIO_UNLOCK);
    EXPECT_EQ(LoadWave(Wave(Ramp(4))), -1);
    EXPECT_EQ(sound_table[3].state, SOUND_SLOT_LOADED);
    HostRefuse(HOST_REFUSE_AUDIO_CREATE_BUFFER);
    EXPECT_EQ(SoundLoadVoice(Write("a.voc", Voice(166, Ramp(20))).c_str()), -1);
    EXPECT_EQ(sound_table[4].state, SOUND_SLOT_LOADED);
    HostRefuse(0);
    EXPECT_EQ(LoadWave(Wave(Ramp(4))), 5);

    // A buffer created without controls refuses every setter; one with them accepts.
    EXPECT_EQ(LoadWave(Wave(Ramp(4)), 0), 6);
    EXPECT_EQ(std::vector<int>({SoundSetVolume(6, 50), SoundSetPan(6, 100),
                                SoundSetFrequency(6, 22050), SoundSetVolume(5, 50)}),
              std::vector<int>({0, 0, 0, 1}));
    // A primary-buffer flag is refused by the device after the claim.
    EXPECT_EQ(LoadWave(Wave(Ramp(4)), static_cast<int>(DSBCAPS_PRIMARYBUFFER)), -1);
    EXPECT_EQ(sound_table[7].state, SOUND_SLOT_LOADED);
}

// ---------------------------------------------------------------------------
// The voice loader

TEST_F(SoundTest, AVoiceFileLoadsItsFirstBlockFromOffset32) {
    const Bytes samples = Ramp(50);
    ASSERT_EQ(SoundLoadVoice(Write("a.voc", Voice(166, samples)).c_str()), 0);
    EXPECT_EQ(sound_table[0].rate, 11111);
    EXPECT_EQ(sound_table[0].size, 52) << "the block's length field";
    EXPECT_EQ(BufferBytes(0), Bytes(samples.begin(), samples.end() - 4)) << "L - 6 bytes";
    uint32_t frequency = 0;
    ASSERT_EQ(HostAudioBufferGetFrequency(sound_table[0].buffer, &frequency), 1);
    EXPECT_EQ(frequency, 11025u);

    ASSERT_EQ(SoundLoadVoice(Write("b.voc", Voice(0, samples)).c_str()), 1);
    EXPECT_EQ(sound_table[1].rate, 3906) << "TC 0";
    EXPECT_EQ(
        std::vector<int>({SoundSetVolume(1, 50), SoundSetPan(1, 100), SoundSetFrequency(1, 8000)}),
        std::vector<int>({1, 1, 1}))
        << "voice buffers have every control";
}

TEST_F(SoundTest, MalformedVoiceFilesAreRefusedAndClaimNothing) {
    const Bytes good = Voice(166, Ramp(30));  // L = 32 at 27..29, file 63 bytes
    auto with = [&](size_t at, std::initializer_list<uint8_t> bytes) {
        Bytes out = good;
        std::copy(bytes.begin(), bytes.end(), out.begin() + static_cast<ptrdiff_t>(at));
        return out;
    };
    const struct {
        const char* what;
        Bytes file;
    } cases[] = {
        {"empty", {}},
        {"20 bytes", Bytes(good.begin(), good.begin() + 20)},
        {"H past the end", with(20, {200})},
        {"block header cut by the end", with(20, {58})},
        {"L past the end", with(27, {38, 0, 0})},
        {"L of 5", with(27, {5, 0, 0})},
        {"negative L", with(27, {0x20, 0, 0x80})},
        {"file ends inside the samples", Bytes(good.begin(), good.begin() + 50)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SoundLoadVoice(Write("bad.voc", c.file).c_str()), -1) << c.what;
        EXPECT_EQ(sound_table[0].state, SOUND_SLOT_FREE) << c.what;
    }
    EXPECT_EQ(SoundLoadVoice(ScratchPath("missing.voc").c_str()), -1);
    EXPECT_EQ(SoundLoadVoice(ScratchPath("").c_str()), -1) << "a directory";
    EXPECT_EQ(SoundLoadVoice(nullptr), -1);
    EXPECT_EQ(sound_table[0].state, SOUND_SLOT_FREE);

    // L = 6 names an empty buffer: the device refuses it after the claim.
    EXPECT_EQ(SoundLoadVoice(Write("six.voc", with(27, {6, 0, 0})).c_str()), -1);
    EXPECT_EQ(sound_table[0].state, SOUND_SLOT_LOADED);
    // The block may end exactly at the end of the file.
    EXPECT_EQ(SoundLoadVoice(Write("end.voc", with(27, {37, 0, 0})).c_str()), 1);
}

// ---------------------------------------------------------------------------
// Set-up, copies, deletion and the missing device

TEST_F(SoundTest, ASecondInitEmptiesTheTableAndKeepsTheDevice) {
    HostAudioDevice* device = sound_device;
    ASSERT_EQ(LoadWave(Wave(Ramp(4))), 0);
    ASSERT_EQ(SoundPlay(0, SOUND_PLAY_LOOPING), 1);
    EXPECT_EQ(SoundInit(), 1);
    EXPECT_EQ(sound_device, device);
    EXPECT_EQ(HostAudioLiveBuffers(), 0);
    for (int id = 0; id < SOUND_TABLE_SIZE; ++id) {
        EXPECT_EQ(sound_table[id].buffer, nullptr);
        EXPECT_EQ(sound_table[id].state, SOUND_SLOT_FREE);
        EXPECT_EQ(sound_table[id].id, id);
    }
    EXPECT_EQ(LoadWave(Wave(Ramp(4))), 0);
}

TEST_F(SoundTest, CopiesTakeTheNextFreeSlotWithTheSourceRecord) {
    EXPECT_EQ(SoundCopy(-1), -1);
    EXPECT_EQ(SoundCopy(64), -1);
    EXPECT_EQ(SoundCopy(0), -1) << "a slot without a sound";
    EXPECT_EQ(sound_table[0].state, SOUND_SLOT_FREE);

    ASSERT_EQ(LoadWave(Wave(Ramp(12), Format(1, 2, 22050, 16, 16))), 0);
    ASSERT_EQ(SoundCopy(0), 1);
    const SoundSlot& copy = sound_table[1];
    EXPECT_EQ(std::vector<int>({copy.state, copy.rate, copy.size, copy.id}),
              std::vector<int>({SOUND_SLOT_LOADED, 22050, 12, 1}));
    EXPECT_NE(sound_table[1].buffer, sound_table[0].buffer);
    EXPECT_EQ(BufferBytes(1), Ramp(12));

    HostRefuse(HOST_REFUSE_AUDIO_DUPLICATE);
    EXPECT_EQ(SoundCopy(0), -1);
    EXPECT_EQ(sound_table[2].state, SOUND_SLOT_FREE) << "a failed copy gives its slot back";
    EXPECT_EQ(sound_table[2].buffer, nullptr);
    HostRefuse(0);
    EXPECT_EQ(SoundCopy(1), 2) << "a copy of a copy";
}

TEST_F(SoundTest, ADeletedSoundIsGoneButItsSlotStaysTaken) {
    ASSERT_EQ(LoadWave(Wave(Ramp(4))), 0);
    ASSERT_EQ(SoundPlay(0, SOUND_PLAY_LOOPING), 1);
    EXPECT_EQ(SoundDelete(0), 1);
    EXPECT_EQ(SoundGetStatus(0), -1);
    EXPECT_EQ(sound_table[0].state, SOUND_SLOT_LOADED);
    EXPECT_EQ(HostAudioLiveBuffers(), 0);
    EXPECT_EQ(SoundCopy(0), -1) << "nothing left to copy";
    EXPECT_EQ(LoadWave(Wave(Ramp(4))), 1);
    EXPECT_EQ(SoundDeleteAll(), 1);
    EXPECT_EQ(HostAudioLiveBuffers(), 0);
    EXPECT_EQ(Mix(4).left, std::vector<int16_t>(4, 0));
}

TEST_F(SoundTest, IdsWithoutASoundDoNothing) {
    for (int id : {-1, 0, 63, 64, -100, 1000}) {
        // Play, stop and delete succeed doing nothing; the status and the setters refuse.
        EXPECT_EQ(std::vector<int>({SoundPlay(id, 0), SoundStop(id), SoundDelete(id),
                                    SoundGetStatus(id), SoundSetVolume(id, 100),
                                    SoundSetFrequency(id, 22050), SoundSetPan(id, 0)}),
                  std::vector<int>({1, 1, 1, -1, 0, 0, 0}))
            << "id " << id;
    }
    EXPECT_EQ(SoundStopAll(), 1);
    EXPECT_EQ(SoundDeleteAll(), 1);
}

TEST_F(SoundTest, WithoutADeviceEverythingIsSilentAndHarmless) {
    SoundShutdown();
    sound_init_pending = 1;
    HostRefuse(HOST_REFUSE_AUDIO_DEVICE);
    EXPECT_EQ(SoundInit(), 0);
    EXPECT_EQ(sound_device, nullptr);
    HostRefuse(0);
    EXPECT_EQ(SoundInit(), 1) << "a later call resets the table and tries no device";
    EXPECT_EQ(sound_device, nullptr);
    EXPECT_EQ(LoadWave(Wave(Ramp(4))), -1);
    EXPECT_EQ(SoundLoadVoice(Write("a.voc", Voice(166, Ramp(20))).c_str()), -1);
    EXPECT_EQ(SoundCopy(0), -1);
    EXPECT_EQ(sound_table[0].state, SOUND_SLOT_FREE);
    EXPECT_EQ(SoundPlay(0, 0), 1);
    EXPECT_EQ(SoundGetStatus(0), -1);
    EXPECT_EQ(SoundShutdown(), 1);
    EXPECT_EQ(sound_table[5].id, 5);
    EXPECT_EQ(sound_table[5].state, SOUND_SLOT_FREE);
}

TEST_F(SoundTest, ARefusedCooperativeLevelFailsInitAndEveryBuffer) {
    SoundShutdown();
    sound_init_pending = 1;
    HostRefuse(HOST_REFUSE_COOPERATIVE);
    EXPECT_EQ(SoundInit(), 0);
    HostRefuse(0);
    EXPECT_NE(sound_device, nullptr);
    EXPECT_EQ(LoadWave(Wave(Ramp(4))), -1);
    EXPECT_EQ(sound_table[0].state, SOUND_SLOT_LOADED) << "claimed before the device refused";
}

// ---------------------------------------------------------------------------
// Playback and status

// Status 5 while looping and 0 at once after a stop; once the stop's fade is over a one-shot
// sound plays from its start, mixes to exactly its samples (unity gain, centre pan, 11025 Hz,
// a start at silence, levels within the limiter's knee) and then silence; played twice
// before it is heard it does not double.
TEST_F(SoundTest, PlayStatusStopAndOneShotMixing) {
    const Bytes samples = {128, 40, 215, 33, 127, 129, 200, 60, 140, 147};
    ASSERT_EQ(LoadWave(Wave(samples)), 0);
    EXPECT_EQ(SoundGetStatus(0), 0);
    ASSERT_EQ(SoundPlay(0, SOUND_PLAY_LOOPING), 1);
    EXPECT_EQ(SoundGetStatus(0), 5);
    Mix(4);
    EXPECT_EQ(SoundStop(0), 1);
    EXPECT_EQ(SoundGetStatus(0), 0);
    Mix(RampFrames());
    EXPECT_EQ(Mix(3).left, std::vector<int16_t>(3, 0)) << "the stop's fade is over";
    ASSERT_EQ(SoundPlay(0, 0), 1);
    EXPECT_EQ(SoundGetStatus(0), 1);
    const Stereo out = Mix(14);
    EXPECT_EQ(out.left, Expected(samples, 14)) << "after a stop, play starts at the start";
    EXPECT_EQ(out.right, Expected(samples, 14));
    EXPECT_EQ(SoundGetStatus(0), 0) << "a one-shot sound stops by itself";
    EXPECT_EQ(Mix(3).left, std::vector<int16_t>(3, 0));

    ASSERT_EQ(SoundPlay(0, 0), 1);
    ASSERT_EQ(SoundPlay(0, 0), 1);
    EXPECT_EQ(Mix(14).left, Expected(samples, 14)) << "two plays in a row do not double";
    EXPECT_EQ(SoundStopAll(), 1);
}

TEST_F(SoundTest, ACopySoundsTogetherWithItsSource) {
    const Bytes samples = Ramp(8, 130);
    ASSERT_EQ(LoadWave(Wave(samples)), 0);
    ASSERT_EQ(SoundCopy(0), 1);
    ASSERT_EQ(SoundPlay(0, 0), 1);
    Mix(3);
    ASSERT_EQ(SoundPlay(1, 0), 1);
    Stereo out = Mix(12);
    for (int i = 0; i < 12; ++i) {
        const int source = i + 3 < 8 ? Level(samples[i + 3]) : 0;
        const int copy = i < 8 ? Level(samples[i]) : 0;
        EXPECT_EQ(out.left[i], source + copy) << "frame " << i;
    }
    EXPECT_EQ(SoundGetStatus(0), 0);
    EXPECT_EQ(SoundGetStatus(1), 0);
}

TEST_F(SoundTest, ALoopWrapsExactly) {
    const Bytes samples = {128, 150, 190, 220, 170, 90, 40};
    ASSERT_EQ(LoadWave(Wave(samples)), 0);
    ASSERT_EQ(SoundPlay(0, SOUND_PLAY_LOOPING), 1);
    std::vector<int16_t> expected;
    for (int i = 0; i < 30; ++i) {
        expected.push_back(Level(samples[i % 7]));
    }
    EXPECT_EQ(Mix(30).left, expected);
    // At twice the speed every second sample, still wrapping on the exact sample.
    SoundStop(0);
    Mix(RampFrames());
    ASSERT_EQ(SoundSetFrequency(0, 22050), 1);
    ASSERT_EQ(SoundPlay(0, SOUND_PLAY_LOOPING), 1);
    expected.clear();
    for (int i = 0; i < 30; ++i) {
        expected.push_back(Level(samples[(2 * i) % 7]));
    }
    EXPECT_EQ(Mix(30).left, expected);
    EXPECT_EQ(SoundGetStatus(0), 5);
}

TEST_F(SoundTest, RefusedRewindOrStartFailsPlay) {
    ASSERT_EQ(LoadWave(Wave(Ramp(4))), 0);
    HostRefuse(HOST_REFUSE_AUDIO_SET_POSITION);
    EXPECT_EQ(SoundPlay(0, 0), 0);
    EXPECT_EQ(SoundStop(0), 1) << "a stop ignores the refusal";
    HostRefuse(HOST_REFUSE_AUDIO_PLAY);
    EXPECT_EQ(SoundPlay(0, 0), 0);
    EXPECT_EQ(SoundGetStatus(0), 0);
    HostRefuse(HOST_REFUSE_AUDIO_STATUS);
    EXPECT_EQ(SoundGetStatus(0), -1);
    HostRefuse(0);
    EXPECT_EQ(SoundPlay(0, 2), 0) << "an unknown play flag";
}

// ---------------------------------------------------------------------------
// Volume, frequency and pan

TEST_F(SoundTest, VolumeLevelsMapToThreeTenthsOfADecibelPerStep) {
    ASSERT_EQ(LoadWave(Wave(Ramp(4))), 0);
    struct Case {
        int level;
        int result;
        int32_t volume;  // what the buffer holds afterwards
    } cases[] = {
        {100, 1, 0},      {0, 1, -3000},    {50, 1, -1500},        {101, 0, -1500},
        {-233, 1, -9990}, {-234, 0, -9990}, {INT32_MIN, 0, -9990}, {INT32_MAX, 0, -9990},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SoundSetVolume(0, c.level), c.result) << "level " << c.level;
        int32_t volume = 1;
        ASSERT_EQ(HostAudioBufferGetVolume(sound_table[0].buffer, &volume), 1);
        EXPECT_EQ(volume, c.volume) << "level " << c.level;
    }
}

TEST_F(SoundTest, VolumeScalesTheMix) {
    Bytes samples(16, 255);
    samples[0] = 128;  // a start at silence, so no fade-in
    ASSERT_EQ(LoadWave(Wave(samples)), 0);
    ASSERT_EQ(SoundSetVolume(0, 80), 1);  // -6 dB: half the amplitude
    ASSERT_EQ(SoundPlay(0, 0), 1);
    Stereo out = Mix(4);
    EXPECT_NEAR(out.left[1], 32512 * 0.501187, 2);
    EXPECT_EQ(out.right[1], out.left[1]);
    ASSERT_EQ(SoundSetVolume(0, 0), 1);  // -30 dB
    EXPECT_NEAR(Mix(1).left[0], 32512 * 0.0316228, 2);
}

TEST_F(SoundTest, FrequencyChangesPitchAndSpeed) {
    // Twice as fast at 22050 Hz: see ALoopWrapsExactly.
    ASSERT_EQ(LoadWave(Wave(Ramp(20))), 0);
    struct Case {
        int frequency;
        int result;
        uint32_t held;
    } cases[] = {
        {8000, 1, 8000}, {0, 1, 11025},       {100, 1, 100},       {200000, 1, 200000},
        {99, 0, 200000}, {200001, 0, 200000}, {-22050, 0, 200000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SoundSetFrequency(0, c.frequency), c.result) << c.frequency;
        uint32_t held = 0;
        ASSERT_EQ(HostAudioBufferGetFrequency(sound_table[0].buffer, &held), 1);
        EXPECT_EQ(held, c.held) << c.frequency;
    }
}

TEST_F(SoundTest, PanAttenuatesTheFarChannel) {
    const Bytes samples = Ramp(8, 128);
    ASSERT_EQ(LoadWave(Wave(samples)), 0);
    ASSERT_EQ(SoundSetPan(0, -10000), 1);
    ASSERT_EQ(SoundPlay(0, 0), 1);
    Stereo out = Mix(8);
    EXPECT_EQ(out.left, Expected(samples, 8));
    EXPECT_EQ(out.right, std::vector<int16_t>(8, 0));

    ASSERT_EQ(SoundSetPan(0, 600), 1);  // left 6 dB down, right untouched
    ASSERT_EQ(SoundPlay(0, 0), 1);
    out = Mix(2);
    EXPECT_EQ(out.right[1], Level(samples[1]));
    EXPECT_NEAR(out.left[1], Level(samples[1]) * 0.501187, 2);

    EXPECT_EQ(SoundSetPan(0, 10001), 0);
    EXPECT_EQ(SoundSetPan(0, -10001), 0);
    int32_t pan = 0;
    ASSERT_EQ(HostAudioBufferGetPan(sound_table[0].buffer, &pan), 1);
    EXPECT_EQ(pan, 600);
}

// ---------------------------------------------------------------------------
// The mixer

TEST_F(SoundTest, ResamplingInterpolatesLinearly) {
    ASSERT_EQ(LoadWave(Wave({128, 192})), 0);
    ASSERT_EQ(SoundPlay(0, 0), 1);
    // At 22050 Hz each sample lasts two frames; the last one fades to silence.
    EXPECT_EQ(Mix(6, 22050).left, (std::vector<int16_t>{0, 8192, 16384, 8192, 0, 0}));
}

// Beyond three quarters of full scale a sum bends towards full scale instead of being cut
// flat there: two loud voices come out louder than one but below their sum, and four at full
// scale come out just short of it, each with its sign.
TEST_F(SoundTest, ALoudSumIsLimitedSmoothly) {
    ASSERT_EQ(LoadWave(Wave({128, 255, 255})), 0);
    ASSERT_EQ(LoadWave(Wave({128, 0, 0})), 1);
    ASSERT_EQ(LoadWave(Wave({128, 200, 200})), 2);
    ASSERT_EQ(SoundCopy(2), 3);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(SoundCopy(0), 4 + 2 * i);
        ASSERT_EQ(SoundCopy(1), 5 + 2 * i);
    }
    const int16_t one = Level(200);  // 18432, within the knee
    SoundPlay(2, 0);
    EXPECT_EQ(Mix(2).left[1], one) << "a single voice within the knee is exact";
    SoundPlay(2, 0);
    SoundPlay(3, 0);
    const int16_t two = Mix(2).left[1];
    EXPECT_GT(two, 24576) << "two voices of " << one << " each";
    EXPECT_LT(two, 2 * one);
    SoundStopAll();
    Mix(RampFrames());
    for (int id : {0, 4, 6, 8}) {
        SoundPlay(id, 0);
    }
    const int16_t high = Mix(2).left[1];
    EXPECT_GE(high, 32700) << "four voices of 32512";
    EXPECT_LE(high, 32767);
    SoundStopAll();
    Mix(RampFrames());
    for (int id : {1, 5, 7, 9}) {
        SoundPlay(id, 0);
    }
    const int16_t low = Mix(2).left[1];
    EXPECT_LE(low, -32700) << "four voices of -32768";
    EXPECT_GE(low, -32768);
}

// A stop is reported at once and heard as a fade to silence within HOST_AUDIO_RAMP_MS,
// never as a jump.
TEST_F(SoundTest, AStopFadesOutWithinTheRamp) {
    ASSERT_EQ(LoadWave(Wave(Bytes(50, 200))), 0);  // a steady level of 18432
    const int16_t level = Level(200);
    ASSERT_EQ(SoundPlay(0, SOUND_PLAY_LOOPING), 1);
    Mix(RampFrames() + 10);  // past its own fade-in
    ASSERT_EQ(Mix(1).left[0], level);
    SoundStop(0);
    EXPECT_EQ(SoundGetStatus(0), 0);
    const std::vector<int16_t> out = Mix(RampFrames() + 5).left;
    int previous = level;
    for (size_t i = 0; i < out.size(); ++i) {
        const int step = previous - out[i];
        EXPECT_GE(step, 0) << "frame " << i << " rose from " << previous << " to " << out[i];
        EXPECT_LE(step, level / RampFrames() + 2)
            << "frame " << i << " fell from " << previous << " to " << out[i];
        previous = out[i];
    }
    EXPECT_EQ(out[static_cast<size_t>(RampFrames()) - 1], 0) << "silent by the ramp's end";
}

// A start away from silence rises to its level over the ramp; a restart of a playing sound
// fades the old playback out under the new one fading in, so a steady sound stays steady.
TEST_F(SoundTest, AStartAwayFromSilenceFadesInAndARestartCrossfades) {
    ASSERT_EQ(LoadWave(Wave(Bytes(200, 200))), 0);
    const int16_t level = Level(200);
    ASSERT_EQ(SoundPlay(0, 0), 1);
    const std::vector<int16_t> rise = Mix(RampFrames() + 5).left;
    EXPECT_LE(rise[0], level / RampFrames() + 2) << "the first frame";
    for (size_t i = 1; i < rise.size(); ++i) {
        EXPECT_GE(rise[i], rise[i - 1]) << "frame " << i;
        EXPECT_LE(rise[i] - rise[i - 1], level / RampFrames() + 2) << "frame " << i;
    }
    EXPECT_EQ(rise.back(), level);
    ASSERT_EQ(SoundPlay(0, 0), 1);  // rewinds while playing
    EXPECT_EQ(SoundGetStatus(0), 1);
    for (int16_t v : Mix(RampFrames() + 5).left) {
        EXPECT_NEAR(v, level, 2) << "across the restart";
    }
}

TEST_F(SoundTest, MixingSixtyFourVoicesAllocatesNothing) {
    ASSERT_EQ(LoadWave(Wave(Ramp(3000))), 0);
    for (int id = 1; id < SOUND_TABLE_SIZE; ++id) {
        ASSERT_EQ(SoundCopy(0), id);
        SoundSetFrequency(id, 4000 + 300 * id);
        SoundSetPan(id, (id % 5 - 2) * 1000);
    }
    for (int id = 0; id < SOUND_TABLE_SIZE; ++id) {
        SoundPlay(id, id % 2 ? SOUND_PLAY_LOOPING : 0);
    }
    std::vector<int16_t> out(2 * 4096);
    const long before = allocation_count.load();
    HostAudioMix(sound_device, out.data(), 4096, 48000);
    HostAudioMix(sound_device, out.data(), 1000, 44100);
    EXPECT_EQ(allocation_count.load() - before, 0);
}

TEST_F(SoundTest, LockedSamplesAreNotMixed) {
    const Bytes samples = Ramp(6, 128);
    ASSERT_EQ(LoadWave(Wave(samples)), 0);
    ASSERT_EQ(SoundPlay(0, 0), 1);
    void* p1 = nullptr;
    uint32_t l1 = 0;
    ASSERT_EQ(HostAudioBufferLock(sound_table[0].buffer, 0, 6, &p1, &l1, nullptr, nullptr, 0), 1);
    EXPECT_EQ(Mix(3).left, std::vector<int16_t>(3, 0));
    EXPECT_EQ(HostAudioBufferUnlock(sound_table[0].buffer, nullptr, 0, nullptr, 0), 0)
        << "only the regions the lock gave";
    ASSERT_EQ(HostAudioBufferUnlock(sound_table[0].buffer, p1, l1, nullptr, 0), 1);
    EXPECT_EQ(Mix(8).left, Expected(samples, 8));
}

TEST_F(SoundTest, ALockFromThePlayCursorWrapsIntoTwoRegions) {
    ASSERT_EQ(LoadWave(Wave(Ramp(10))), 0);
    HostAudioBuffer* buffer = sound_table[0].buffer;
    ASSERT_EQ(HostAudioBufferSetCurrentPosition(buffer, 7), 1);
    void* p1 = nullptr;
    void* p2 = nullptr;
    uint32_t l1 = 0;
    uint32_t l2 = 0;
    ASSERT_EQ(HostAudioBufferLock(buffer, 1, 6, &p1, &l1, &p2, &l2, DSBLOCK_FROMWRITECURSOR), 1);
    EXPECT_EQ(l1, 2u);
    EXPECT_EQ(l2, 4u);
    EXPECT_EQ(*static_cast<uint8_t*>(p1), Ramp(10)[8]);
    EXPECT_EQ(*static_cast<uint8_t*>(p2), Ramp(10)[0]);
    EXPECT_EQ(HostAudioBufferLock(buffer, 0, 1, &p1, &l1, &p2, &l2, 0), 0) << "already locked";
    ASSERT_EQ(HostAudioBufferUnlock(buffer, p1, l1, p2, l2), 1);
    EXPECT_EQ(HostAudioBufferSetCurrentPosition(buffer, 10), 0) << "past the end";
}

// ---------------------------------------------------------------------------
// Files written by another tool

// Writes a 0.1 s tone with sox into name and gives back the samples sox reads from that file,
// as raw bytes in the file's own encoding; empty when sox cannot run.
Bytes SoxTone(const std::string& options, const std::string& name) {
    const std::string path = ScratchPath(name), raw = ScratchPath("samples.raw");
    const std::string make =
        "sox -n " + options + " '" + path + "' synth 0.1 sine 440 fade 0 0.1 0.05 2>/dev/null";
    const std::string dump = "sox '" + path + "' -t raw '" + raw + "' 2>/dev/null";
    if (std::system(make.c_str()) != 0 || std::system(dump.c_str()) != 0) {
        return {};
    }
    return ReadFile(raw);
}

TEST_F(SoundTest, WaveAndVoiceFilesFromSoxLoad) {
    if (std::system("sox --version >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "sox is not installed";
    }
    const struct {
        const char* name;
        const char* options;
        int rate;  // -1: refused
    } cases[] = {
        {"a.wav", "-r 11025 -c 1 -b 8 -e unsigned-integer", 11025},
        {"a.wav", "-r 22050 -c 2 -b 16 -e signed-integer", 22050},
        {"a.wav", "-r 44100 -c 1 -b 16 -e signed-integer", 44100},
        {"a.wav", "-r 8000 -c 2 -b 8 -e unsigned-integer", 8000},
        {"b.wav", "-r 11025 -c 1 -e floating-point -b 32", -1},
        {"b.wav", "-r 11025 -c 1 -b 24", -1},
        // 1000000 / (256 - TC) for the time constant sox picks.
        {"a.voc", "-r 11025 -c 1 -b 8 -e unsigned-integer", 10989},
        {"a.voc", "-r 8000 -c 1 -b 8 -e unsigned-integer", 8000},
        {"a.voc", "-r 22050 -c 1 -b 8 -e unsigned-integer", 22222},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.options);
        ASSERT_EQ(SoundInit(), 1);
        const Bytes raw = SoxTone(c.options, c.name);
        ASSERT_FALSE(raw.empty());
        const bool voice = std::string(c.name) == "a.voc";
        const std::string path = ScratchPath(c.name);
        const int id = voice ? SoundLoadVoice(path.c_str()) : SoundLoadWave(path.c_str(), 0xE0);
        ASSERT_EQ(id, c.rate == -1 ? -1 : 0);
        if (id == 0) {
            EXPECT_EQ(sound_table[0].rate, c.rate);
            // A voice block's length counts 2 bytes before its samples; L - 6 bytes load.
            EXPECT_EQ(sound_table[0].size, static_cast<int32_t>(raw.size()) + (voice ? 2 : 0));
            EXPECT_EQ(BufferBytes(0), Bytes(raw.begin(), raw.end() - (voice ? 4 : 0)));
        }
    }
}

}  // namespace

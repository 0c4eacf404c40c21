// The host core on its headless backend: the message queue, blits against a reference,
// flips, palettes, object lifetimes, and files opened for reading.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/headless.h"
#include "platform/host.h"
#include "platform/host_file.h"
#include "tests/support/common_support.h"

#if QENT_HAVE_POSIX_FILES
#include <sys/socket.h>
#include <sys/stat.h>  // mkfifo
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {

std::vector<uint32_t> seen_messages;

intptr_t RecordingProc(HostWindow* window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    seen_messages.push_back(message);
    if (message == WM_DESTROY) {
        HostPostQuitMessage(7);
        return 0;
    }
    return HostDefWindowProc(window, message, wparam, lparam);
}

class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        HeadlessReset();
        seen_messages.clear();
        live_before = HostLiveObjects();
    }
    void TearDown() override {
        EXPECT_EQ(HostLiveObjects(), live_before) << "host objects leaked";
    }

    // A 640x480 display with a primary and its back buffer.
    void OpenDisplay() {
        display = HostDisplayCreate();
        ASSERT_NE(display, nullptr);
        ASSERT_EQ(HostDisplaySetMode(display, 640, 480, 8), 1);
        HostSurfaceDesc desc{};
        desc.dwSize = HOST_SURFACE_DESC_SIZE;
        desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        desc.dwBackBufferCount = 1;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
        primary = HostSurfaceCreate(display, &desc);
        ASSERT_NE(primary, nullptr);
        back = HostSurfaceGetAttached(primary, DDSCAPS_BACKBUFFER);
        ASSERT_NE(back, nullptr);
    }
    void CloseDisplay() {
        HostSurfaceRelease(back);
        HostSurfaceRelease(primary);
        HostDisplayRelease(display);
    }
    HostSurface* Offscreen(int w, int h) {
        HostSurfaceDesc desc{};
        desc.dwSize = HOST_SURFACE_DESC_SIZE;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        desc.dwWidth = static_cast<uint32_t>(w);
        desc.dwHeight = static_cast<uint32_t>(h);
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
        return HostSurfaceCreate(display, &desc);
    }
    static uint8_t* Pixels(HostSurface* surface, int32_t* pitch) {
        HostSurfaceDesc desc{};
        if (!HostSurfaceLock(surface, nullptr, &desc, DDLOCK_WAIT)) {
            return nullptr;
        }
        HostSurfaceUnlock(surface, desc.lpSurface);
        *pitch = desc.lPitch;
        return desc.lpSurface;
    }

    int live_before = 0;
    HostDisplay* display = nullptr;
    HostSurface* primary = nullptr;
    HostSurface* back = nullptr;
};

// ---------------------------------------------------------------------------
// Messages

TEST_F(HostTest, QuitArrivesOnlyAfterEveryPostedMessageAndBeforePaint) {
    ASSERT_EQ(HostRegisterClass("C", RecordingProc), 1);
    HostWindow* window = HostCreateWindow("C", "t", 0, 0, 320, 240);
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(seen_messages, std::vector<uint32_t>{WM_CREATE});

    HostPostMessage(window, 0x400, 1, 2);
    HostPostQuitMessage(3);
    HostPostMessage(window, 0x401, 0, 0);

    HostMessage msg{};
    std::vector<uint32_t> order;
    while (HostPeekMessage(&msg)) {
        order.push_back(msg.message);
        if (msg.message == WM_QUIT) {
            EXPECT_EQ(msg.wparam, 3u);
            continue;
        }
        HostDispatchMessage(&msg);
    }
    // The new window is invalid: one WM_PAINT after the quit, and none once validated.
    EXPECT_EQ(order, (std::vector<uint32_t>{0x400, 0x401, WM_QUIT, WM_PAINT}));
    EXPECT_EQ(HostPeekMessage(&msg), 0);
}

TEST_F(HostTest, CloseDestroysTheWindowThroughItsProcedure) {
    ASSERT_EQ(HostRegisterClass("C", RecordingProc), 1);
    EXPECT_EQ(HostRegisterClass("C", RecordingProc), 0) << "a class registers once";
    HostWindow* window = HostCreateWindow("C", "t", 0, 0, 320, 240);
    HostPostMessage(window, WM_CLOSE, 0, 0);
    HostMessage msg{};
    ASSERT_EQ(HostPeekMessage(&msg), 1);
    HostDispatchMessage(&msg);
    EXPECT_EQ(seen_messages, (std::vector<uint32_t>{WM_CREATE, WM_CLOSE, WM_DESTROY}));
    EXPECT_EQ(HostPostMessage(window, WM_DESTROY, 0, 0), 0) << "a destroyed window takes none";
    ASSERT_EQ(HostPeekMessage(&msg), 1);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wparam, 7u);
}

TEST_F(HostTest, RefusedClassAndWindowAndUnknownClass) {
    EXPECT_EQ(HostCreateWindow("nothing", "t", 0, 0, 1, 1), nullptr);
    HostRefuse(HOST_REFUSE_REGISTER_CLASS);
    EXPECT_EQ(HostRegisterClass("C", RecordingProc), 0);
    HostRefuse(0);
    ASSERT_EQ(HostRegisterClass("C", RecordingProc), 1);
    HostRefuse(HOST_REFUSE_CREATE_WINDOW);
    EXPECT_EQ(HostCreateWindow("C", "t", 0, 0, 1, 1), nullptr);
    EXPECT_TRUE(seen_messages.empty());
}

TEST_F(HostTest, ManualClockAdvancesOnReadsAndSleeps) {
    HeadlessSetTicks(0xFFFFFFF0u);
    HeadlessSetAutoAdvance(10);
    EXPECT_EQ(HostTicks(), 0xFFFFFFF0u);
    EXPECT_EQ(HostTicks(), 0xFFFFFFFAu);
    EXPECT_EQ(HostTicks(), 4u) << "the counter wraps";
    HeadlessSetAutoAdvance(0);
    HostSleep(500);
    EXPECT_EQ(HostTicks(), 514u);
    EXPECT_EQ(HeadlessTickReads(), 4u);
}

// ---------------------------------------------------------------------------
// Display objects

TEST_F(HostTest, OffscreenPitchIsWidthRoundedUpToEight) {
    OpenDisplay();
    for (int width : {1, 7, 8, 60, 64, 129}) {
        HostSurface* s = Offscreen(width, 3);
        int32_t w = 0, h = 0, pitch = 0;
        HostSurfaceDescribe(s, &w, &h, &pitch);
        EXPECT_EQ(w, width);
        EXPECT_EQ(h, 3);
        EXPECT_EQ(pitch, (width + 7) / 8 * 8) << "width " << width;
        HostSurfaceRelease(s);
    }
    EXPECT_EQ(Offscreen(0, 3), nullptr);
    EXPECT_EQ(Offscreen(20000, 3), nullptr);
    CloseDisplay();
}

TEST_F(HostTest, BlitsLeavingTheSurfaceAreRefusedWithoutAClipperAndCutWithOne) {
    OpenDisplay();
    HostSurface* src = Offscreen(64, 64);
    int32_t pitch = 0;
    uint8_t* s = Pixels(src, &pitch);
    std::memset(s, 9, static_cast<size_t>(pitch) * 64);
    HostRect half_off{-32, 100, 32, 164};
    EXPECT_EQ(HostSurfaceBlt(back, &half_off, src, nullptr, DDBLT_WAIT, 0), 0);

    HostClipper* clipper = HostClipperCreate(display, 0);
    struct {
        HostRegionHeader header;
        HostRect rect;
    } region{{32, RDH_RECTANGLES, 1, 16, {0, 0, 640, 480}}, {0, 0, 640, 480}};
    ASSERT_EQ(HostClipperSetClipList(clipper, &region.header, 0), 1);
    ASSERT_EQ(HostSurfaceSetClipper(back, clipper), 1);
    HostClipperRelease(clipper);  // the surface keeps its own reference

    ASSERT_EQ(HostSurfaceBlt(back, &half_off, src, nullptr, DDBLT_WAIT, 0), 1);
    int32_t back_pitch = 0;
    uint8_t* d = Pixels(back, &back_pitch);
    int written = 0;
    for (int i = 0; i < back_pitch * 480; ++i) {
        written += d[i] == 9;
    }
    EXPECT_EQ(written, 32 * 64) << "only the on-screen half is drawn";
    EXPECT_EQ(d[100 * back_pitch + 31], 9);
    EXPECT_EQ(d[100 * back_pitch + 32], 0);

    HostRect huge{-2000000000, 0, 2000000000, 10};
    EXPECT_EQ(HostSurfaceBlt(back, &huge, src, nullptr, DDBLT_WAIT, 0), 0)
        << "a rectangle too large to stretch is refused, not overflowed";

    HostRect outside_source{0, 0, 65, 64};
    EXPECT_EQ(HostSurfaceBlt(back, nullptr, src, &outside_source, DDBLT_WAIT, 0), 0);
    HostSurfaceRelease(src);
    CloseDisplay();
}

TEST_F(HostTest, PaletteRangesOutsideTheTableAreRefused) {
    OpenDisplay();
    PaletteEntry entries[256] = {};
    HostPalette* palette = HostPaletteCreate(display, DDPCAPS_8BIT, entries);
    PaletteEntry one[2] = {{1, 2, 3, 4}, {5, 6, 7, 8}};
    EXPECT_EQ(HostPaletteSetEntries(palette, 0, 255, 2, one), 0);
    EXPECT_EQ(HostPaletteSetEntries(palette, 0, -1, 1, one), 0);
    EXPECT_EQ(HostPaletteSetEntries(palette, 0, 254, 2, one), 1);
    PaletteEntry back_out[2] = {};
    EXPECT_EQ(HostPaletteGetEntries(palette, 0, 254, 2, back_out), 1);
    EXPECT_EQ(back_out[1].green, 6);
    EXPECT_EQ(HostPaletteGetEntries(palette, 0, 0, 257, back_out), 0);
    HostPaletteRelease(palette);
    CloseDisplay();
}

TEST_F(HostTest, ReleasingThePrimaryFirstKeepsTheBackBufferUntilItsOwnRelease) {
    OpenDisplay();
    HostSurfaceRelease(primary);
    int32_t w = 0;
    HostSurfaceDescribe(back, &w, nullptr, nullptr);
    EXPECT_EQ(w, 640);
    HostSurfaceRelease(back);
    HostDisplayRelease(display);
}

TEST_F(HostTest, PngFilesCarryTheSignatureAndSize) {
    const uint8_t pixels[6] = {0, 1, 2, 2, 1, 0};
    PaletteEntry palette[256] = {};
    palette[1] = {255, 0, 0, 0};
    const char* path = "host_test_frame.png";
    ASSERT_EQ(HostWritePng(path, pixels, 3, 2, 3, palette), 1);
    FILE* file = std::fopen(path, "rb");
    ASSERT_NE(file, nullptr);
    uint8_t head[24] = {};
    ASSERT_EQ(std::fread(head, 1, sizeof(head), file), sizeof(head));
    std::fclose(file);
    std::remove(path);
    EXPECT_EQ(std::memcmp(head, "\x89PNG\r\n\x1a\n", 8), 0);
    EXPECT_EQ(std::memcmp(head + 12, "IHDR", 4), 0);
    EXPECT_EQ(head[19], 3);  // width, big-endian
    EXPECT_EQ(head[23], 2);  // height
    EXPECT_EQ(HostWritePng(path, pixels, 0, 2, 3, palette), 0);
}

// Only regular files open, through links too; anything else is named, and nothing waits.
TEST(HostFileTest, OnlyRegularFilesOpenAndTheRestSayWhatTheyAre) {
#if !QENT_HAVE_POSIX_FILES
    GTEST_SKIP() << "this system has no FIFOs, devices, links or fork to try";
#else
    const std::string regular = ScratchPath("regular.txt");
    ASSERT_TRUE(WriteText(regular, "12 34"));
    const std::string fifo = ScratchPath("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = ScratchPath("folder");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    const std::string link = ScratchPath("link");
    ASSERT_EQ(symlink(regular.c_str(), link.c_str()), 0);
    const std::string dangling = ScratchPath("dangling");
    ASSERT_EQ(symlink(ScratchPath("nothing").c_str(), dangling.c_str()), 0);
    const std::string loop = ScratchPath("loop");
    ASSERT_EQ(symlink(loop.c_str(), loop.c_str()), 0);
    const std::string socket_path = ScratchPath("socket");
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socket_path.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socket_path.c_str());
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    const struct {
        std::string path;
        std::string want;  // "read <text>" or "kind <kind> error <errno>"
    } cases[] = {
        {regular, "read 12 34"},
        {link, "read 12 34"},
        {ScratchPath("missing"), "kind 0 error " + std::to_string(ENOENT)},
        {dangling, "kind 0 error " + std::to_string(ENOENT)},
        {loop, "kind 0 error " + std::to_string(ELOOP)},
        {regular + "/below", "kind 0 error " + std::to_string(ENOTDIR)},
        {folder, "kind " + std::to_string(HOST_FILE_FOLDER) + " error 0"},
        {fifo, "kind " + std::to_string(HOST_FILE_FIFO) + " error 0"},
        {"/dev/null", "kind " + std::to_string(HOST_FILE_DEVICE) + " error 0"},
        {socket_path, "kind " + std::to_string(HOST_FILE_SOCKET) + " error 0"},
    };
    for (const auto& c : cases) {
        for (const char* mode : {"rb", "r"}) {
            const ChildResult got = RunInChild(10, [&] {
                HostFileRefusal refusal{-1, -1};
                FILE* file = HostFileOpenRead(c.path.c_str(), mode, &refusal);
                if (file == nullptr) {
                    return "kind " + std::to_string(refusal.kind) + " error " +
                           std::to_string(refusal.error);
                }
                char text[16] = {};
                const size_t n = std::fread(text, 1, sizeof text - 1, file);
                std::fclose(file);
                return "read " + std::string(text, n);
            });
            EXPECT_TRUE(got.finished) << c.path << " " << mode << ": no answer within 10 s";
            EXPECT_EQ(got.output, c.want) << c.path << " " << mode;
        }
    }
    close(listener);
    HostFileRefusal refusal{};
    EXPECT_EQ(HostFileOpenRead(nullptr, "rb", &refusal), nullptr);
    EXPECT_EQ(refusal.error, EINVAL);
    EXPECT_EQ(HostFileOpenRead(regular.c_str(), nullptr, nullptr), nullptr);
#endif
}

}  // namespace

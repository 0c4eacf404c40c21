#ifndef QENT_PLATFORM_HOST_H
#define QENT_PLATFORM_HOST_H

// The host: window, messages, time, display surfaces, palette, clipper and text.
// The library calls these exactly where a Windows program would call the window
// manager, DirectDraw and GDI, and gets the same results. Two backends stand
// behind them: the platform's device (SDL2 on Linux) for a real window and a
// headless one, in memory, for tests. The host starts headless; HostStartup
// switches it to the device.
//
// Under the device, reading the clock (HostTicks) also pumps the window's events every
// ~16 ms, and while the primary surface is locked it presents it again: busy waits keep
// the window answering and effects drawn straight onto the screen visible. A palette change
// on the primary is presented by the next clock read, sleep or message pump (the clock's
// value is read before that present).

#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------------------
// Start-up and backends

constexpr int HOST_BACKEND_HEADLESS = 0;  // no window, no device; the default
constexpr int HOST_BACKEND_DEVICE = 1;    // a real window, screen, keyboard, mouse and sound
constexpr int HOST_BACKEND_SDL = HOST_BACKEND_DEVICE;  // the device's name on Linux

struct HostOptions {
    int backend;   // HOST_BACKEND_*
    int windowed;  // device: 1 = a normal window at 2x scale, 0 = full screen
};

// 1 ready; 0 failed, HostError says why (also when the program was linked without a device).
int HostStartup(const HostOptions* options);
void HostShutdown();  // back to headless, every device closed
// The process ends after the teardown that follows: from now on the device may leave to the
// system what it frees at exit anyway (a window, a sound thread's join) and return at once.
// Sound stops mixing all the same. HostStartup and HeadlessReset clear it.
void HostSetProcessEnding();
int HostProcessEnding();  // 1 after HostSetProcessEnding
int HostBackend();        // the HOST_BACKEND_* in use
const char* HostError();  // one line on the last start-up failure
// Tells the user, in one line, why the program cannot go on: on stderr, and where the linked
// device has a place of its own for it (a message box on Windows), there too.
void HostReportFailure(const char* line);
// The folder the running program's binary lies in, or "" when the system does not say.
const char* HostProgramFolder();

// ---------------------------------------------------------------------------
// Window and messages (the message numbers are the Win32 ones)

constexpr uint32_t WM_CREATE = 0x0001;
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_PAINT = 0x000F;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;

struct HostWindow;  // opaque

typedef intptr_t (*HostWindowProc)(HostWindow* window, uint32_t message, uintptr_t wparam,
                                   intptr_t lparam);

struct HostMessage {
    HostWindow* window;  // null for thread messages such as WM_QUIT
    uint32_t message;
    uintptr_t wparam;
    intptr_t lparam;
};

int HostRegisterClass(const char* class_name, HostWindowProc proc);  // 1 or 0
// Creates the window; WM_CREATE reaches its procedure before this returns.
HostWindow* HostCreateWindow(const char* class_name, const char* title, int x, int y, int width,
                             int height);
int HostPostMessage(HostWindow* window, uint32_t message, uintptr_t wparam, intptr_t lparam);
void HostPostQuitMessage(int exit_code);  // WM_QUIT arrives only once no other message waits
// Pumps the backend's events, then removes at most one message into msg: 1 when one was removed.
int HostPeekMessage(HostMessage* msg);
intptr_t HostDispatchMessage(const HostMessage* msg);
// WM_CLOSE destroys the window (its procedure gets WM_DESTROY); WM_PAINT validates it.
intptr_t HostDefWindowProc(HostWindow* window, uint32_t message, uintptr_t wparam, intptr_t lparam);
void HostValidateWindow(HostWindow* window);  // the BeginPaint/EndPaint pair: no WM_PAINT repeats
int HostShowCursor(int show);                 // returns the new display count, as ShowCursor
void HostRequestPaint(HostWindow* window);    // queues one WM_PAINT unless one is pending
// The program's icon, shown by its window and task bar entry (at once, or when the device
// opens): RGBA bytes, 4 a pixel, rows top-down without padding, 1..256 each way. The host keeps
// a copy. 0 for a null picture or a bad size.
int HostSetIcon(const uint8_t* rgba, int32_t width, int32_t height);

// ---------------------------------------------------------------------------
// Time

uint32_t HostTicks();         // milliseconds, 32 bits, wraps (GetTickCount)
void HostSleep(uint32_t ms);  // headless: advances the manual clock instead of sleeping

// ---------------------------------------------------------------------------
// Display objects. Names follow the DirectDraw values the library passes.

constexpr uint32_t DDSD_CAPS = 0x1;
constexpr uint32_t DDSD_HEIGHT = 0x2;
constexpr uint32_t DDSD_WIDTH = 0x4;
constexpr uint32_t DDSD_PITCH = 0x8;
constexpr uint32_t DDSD_BACKBUFFERCOUNT = 0x20;

constexpr uint32_t DDSCAPS_BACKBUFFER = 0x4;
constexpr uint32_t DDSCAPS_COMPLEX = 0x8;
constexpr uint32_t DDSCAPS_FLIP = 0x10;
constexpr uint32_t DDSCAPS_OFFSCREENPLAIN = 0x40;
constexpr uint32_t DDSCAPS_PRIMARYSURFACE = 0x200;
constexpr uint32_t DDSCAPS_SYSTEMMEMORY = 0x800;
constexpr uint32_t DDSCAPS_VIDEOMEMORY = 0x4000;

constexpr uint32_t DDSCL_FULLSCREEN = 0x1;
constexpr uint32_t DDSCL_ALLOWREBOOT = 0x2;
constexpr uint32_t DDSCL_EXCLUSIVE = 0x10;
constexpr uint32_t DDSCL_ALLOWMODEX = 0x40;

constexpr uint32_t DDBLT_COLORFILL = 0x400;
constexpr uint32_t DDBLT_KEYSRC = 0x8000;
constexpr uint32_t DDBLT_WAIT = 0x1000000;

constexpr uint32_t DDCKEY_SRCBLT = 0x8;
constexpr uint32_t DDLOCK_WAIT = 0x1;
constexpr uint32_t DDFLIP_WAIT = 0x1;
constexpr uint32_t DDWAITVB_BLOCKBEGIN = 0x1;

constexpr uint32_t DDPCAPS_8BIT = 0x4;
constexpr uint32_t DDPCAPS_ALLOW256 = 0x40;
constexpr uint8_t PC_NOCOLLAPSE = 0x4;

constexpr uint32_t RDH_RECTANGLES = 1;

struct HostRect {  // RECT: right and bottom are exclusive
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

struct PaletteEntry {  // PALETTEENTRY: one colour of the 256-entry table
    uint8_t red;
    uint8_t green;
    uint8_t blue;
    uint8_t flags;  // passed to the display unchanged; PC_NOCOLLAPSE in every built palette
};

struct HostSurfaceCaps {
    uint32_t dwCaps;  // DDSCAPS_* bits
};

// The size a surface description says it has: the record's size on the original platform.
constexpr uint32_t HOST_SURFACE_DESC_SIZE = 108;

struct HostSurfaceDesc {  // DDSURFACEDESC: what the library asks for and what a lock returns
    uint32_t dwSize;      // HOST_SURFACE_DESC_SIZE
    uint32_t dwFlags;     // DDSD_* bits saying which fields are valid
    uint32_t dwHeight;
    uint32_t dwWidth;
    int32_t lPitch;  // bytes from one row to the next; may exceed the width
    uint32_t dwBackBufferCount;
    uint8_t* lpSurface;  // first pixel while locked
    HostSurfaceCaps ddsCaps;
};

struct HostRegionHeader {  // RGNDATAHEADER; the rectangles follow it directly in memory
    uint32_t dwSize;       // 32
    uint32_t iType;        // RDH_RECTANGLES
    uint32_t nCount;       // number of rectangles
    uint32_t nRgnSize;     // 16 x nCount
    HostRect rcBound;      // bounding box of the rectangles
};

struct HostDisplay;  // the DirectDraw object
struct HostSurface;  // an 8-bit pixel rectangle (primary, back buffer or off-screen)
struct HostPalette;  // a 256-entry colour table
struct HostClipper;  // a clip list attached to a surface
struct HostDC;       // a text device context on a surface

HostDisplay* HostDisplayCreate();  // null when refused
int HostDisplaySetCooperativeLevel(HostDisplay* display, HostWindow* window, uint32_t flags);
// Only 8 bits per pixel, 1..4096 each way; anything else is refused with 0.
int HostDisplaySetMode(HostDisplay* display, int32_t width, int32_t height, int32_t bpp);
int HostDisplayWaitVerticalBlank(HostDisplay* display, uint32_t flags);
void HostDisplayRelease(HostDisplay* display);

// Primary (DDSCAPS_PRIMARYSURFACE with DDSD_BACKBUFFERCOUNT 1: the mode's size, one back
// buffer) or off-screen (DDSD_WIDTH and DDSD_HEIGHT; pitch = width rounded up to 8).
// Pixels start at index 0. Null when refused or the description is invalid.
HostSurface* HostSurfaceCreate(HostDisplay* display, const HostSurfaceDesc* desc);
HostSurface* HostSurfaceGetAttached(HostSurface* surface, uint32_t caps);  // the back buffer
void HostSurfaceRelease(HostSurface* surface);  // reference counted, as the original objects
int HostSurfaceSetColorKey(HostSurface* surface, uint32_t flags, uint32_t low, uint32_t high);
// Whole surface only (rect must be null). On success desc gets lpSurface, lPitch, dwWidth,
// dwHeight; on refusal desc is untouched and 0 is returned. Locks nest; each needs an unlock.
int HostSurfaceLock(HostSurface* surface, const HostRect* rect, HostSurfaceDesc* desc,
                    uint32_t flags);
int HostSurfaceUnlock(HostSurface* surface, void* pixels);  // 0 when it was not locked
// DDBLT_COLORFILL: fill dst_rect (null = whole) with fill_color's low byte; src ignored.
// Otherwise copy src_rect (null = whole) of src onto dst_rect (null = whole), stretched with
// nearest-neighbour when the sizes differ; DDBLT_KEYSRC skips source pixels inside the source
// colour key. A clipper on dst cuts the destination to its list; without one a rectangle
// that leaves dst is refused. Locked surfaces and source rectangles outside src are refused,
// and so are copies onto a rectangle more than 2^24 a side; a fill of any size is cut.
int HostSurfaceBlt(HostSurface* dst, const HostRect* dst_rect, HostSurface* src,
                   const HostRect* src_rect, uint32_t flags, uint32_t fill_color);
// Swaps the primary's front and back pixels and presents the new front. 0 while either is
// locked or when refused.
int HostSurfaceFlip(HostSurface* primary, uint32_t flags);
int HostSurfaceSetClipper(HostSurface* surface, HostClipper* clipper);
int HostSurfaceSetPalette(HostSurface* primary, HostPalette* palette);
void HostSurfaceDescribe(const HostSurface* surface, int32_t* width, int32_t* height,
                         int32_t* pitch);  // any pointer may be null

HostPalette* HostPaletteCreate(HostDisplay* display, uint32_t flags, const PaletteEntry* entries);
// start and count must stay inside 0..256, else 0 and nothing changes. A change to the palette
// on the primary shows at once.
int HostPaletteSetEntries(HostPalette* palette, uint32_t flags, int start, int count,
                          const PaletteEntry* entries);
int HostPaletteGetEntries(HostPalette* palette, uint32_t flags, int start, int count,
                          PaletteEntry* entries);
void HostPaletteRelease(HostPalette* palette);

HostClipper* HostClipperCreate(HostDisplay* display, uint32_t flags);
// region points at a header followed by nCount rectangles; the clipper keeps a copy.
int HostClipperSetClipList(HostClipper* clipper, const HostRegionHeader* region, uint32_t flags);
// Copies the stored region (header and rectangles) into out when *size is large enough;
// always stores the needed size in *size. 1 when copied.
int HostClipperGetClipList(HostClipper* clipper, HostRegionHeader* out, uint32_t* size);
void HostClipperRelease(HostClipper* clipper);

// ---------------------------------------------------------------------------
// Text on a surface (the GDI device context)

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

HostDC* HostSurfaceGetDC(HostSurface* surface);  // null while locked or while one is out
void HostSurfaceReleaseDC(HostSurface* surface, HostDC* dc);
uint32_t HostSetTextColor(HostDC* dc, uint32_t colorref);  // 0x00BBGGRR; returns the old one
int HostSetBkMode(HostDC* dc, int mode);
// Draws length bytes of Latin-1 text (up to a NUL) with its top-left corner at (x, y), glyphs
// only, in the palette index nearest the text colour, cut to the surface and its clipper. The
// font is built in (DejaVu Sans Bold, a 16-pixel line): the same pixels on every backend.
int HostTextOut(HostDC* dc, int32_t x, int32_t y, const char* text, int32_t length);

#endif

#ifndef QENT_PLATFORM_WEB_INTERNAL_H
#define QENT_PLATFORM_WEB_INTERNAL_H

// Between the parts of the browser device: its screen, clock and waits (backend_web.cpp), its
// input from the page's DOM events (input_web.cpp) and its WebAudio output (audio_web.cpp).
// Only these files see this header; only they are built with emscripten.

#include "platform/backend.h"
#include "platform/host_audio.h"

// ---- Input
// Starts listening to the page: keys on the window, the mouse on the document, pointer lock on
// the canvas. Events wait in the page until pumped.
void HostInputWebOpen();
void HostInputWebClose();  // stops listening; keys and buttons still down are released
// Turns the events that arrived since the last pump into HostInput* calls, in their order.
void HostInputWebPump();
// The program hid its cursor: the mouse is held under pointer lock, taken by the next click.
void HostInputWebHoldMouse(int hold);

// ---- Sound
// The output opens silent; once the page has had a click or a key it plays through WebAudio.
// Until then the mixer still runs on the clock, so sounds start and end on time, unheard.
HostAudioOutput* HostAudioWebOpen(HostAudioDevice* device);
int HostAudioWebRate(const HostAudioOutput* output);
void HostAudioWebClose(HostAudioOutput* output);
// Mixes what the output needs to stay ahead of the speakers. The waits call it often.
void HostAudioWebService();

#endif

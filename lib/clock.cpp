// The frame clock over the host's millisecond counter.
#include "lib/clock.h"

#include "platform/host.h"

uint32_t clock_start = 0;

uint32_t ClockRead() {
    return HostTicks();
}

uint32_t ClockMark() {
    clock_start = ClockRead();
    return clock_start;
}

uint32_t ClockWait(uint32_t period) {
    // Unsigned subtraction: a wrap of the counter after the mark does not lengthen the wait.
    while (static_cast<uint32_t>(ClockRead() - clock_start) < period) {
    }
    return ClockRead();
}

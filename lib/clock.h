#ifndef QENT_LIB_CLOCK_H
#define QENT_LIB_CLOCK_H

// The frame clock: mark a start, work, then busy-wait until a period has passed.

#include <cstdint>

extern uint32_t clock_start;  // the tick count of the last ClockMark; 0 until then

uint32_t ClockRead();                 // the millisecond tick count
uint32_t ClockMark();                 // stores and returns the tick count
uint32_t ClockWait(uint32_t period);  // busy-waits to period ms after the mark, across the wrap

#endif

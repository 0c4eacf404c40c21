// The frame clock on the headless manual counter: waits measured from the mark, across the
// 32-bit wrap, and the number of readings each wait takes.

#include <gtest/gtest.h>

#include "lib/clock.h"
#include "platform/headless.h"

namespace {

class ClockTest : public ::testing::Test {
protected:
    void SetUp() override {
        HeadlessReset();
        clock_start = 0;
    }
};

// A wait ends at the first reading past the period from the mark. With the counter moving
// 1 ms per reading, the loop's last reading is mark + period and the result is the one fresh
// reading after it: period + 2 readings in all. A wait that starts late reads twice.
TEST_F(ClockTest, WaitEndsAtTheFirstReadingPastThePeriod) {
    struct Case {
        const char* what;
        uint32_t mark;
        uint32_t late;  // ms gone by between the mark and the wait
        uint32_t period, result, reads;
    };
    const Case cases[] = {
        {"on time", 500, 0, 33, 534, 35},
        {"across the wrap: 27, not 2^32 ms later", 4294967290u, 0, 33, 28, 35},
        {"to the last count", 4294967295u, 0, 1, 1, 3},
        {"to zero", 4294967263u, 0, 33, 1, 35},
        {"no wait at all", 700, 0, 0, 701, 2},
        {"late: nothing carried over", 1000, 50, 33, 1051, 2},
        {"late by the period exactly", 1000, 33, 33, 1034, 2},
    };
    for (const Case& c : cases) {
        HeadlessReset();
        HeadlessSetTicks(c.mark);
        ASSERT_EQ(ClockMark(), c.mark) << c.what;
        EXPECT_EQ(clock_start, c.mark) << c.what;
        HeadlessAdvance(c.late);
        HeadlessSetAutoAdvance(1);
        const uint32_t reads_before = HeadlessTickReads();
        EXPECT_EQ(ClockWait(c.period), c.result) << c.what;
        EXPECT_EQ(HeadlessTickReads() - reads_before, c.reads) << c.what;
        EXPECT_EQ(clock_start, c.mark) << c.what << ": a wait never moves the mark";
    }
}

TEST_F(ClockTest, WaitsMeasureFromTheLastMarkOrFromZero) {
    HeadlessSetTicks(100000);
    EXPECT_EQ(ClockWait(33), 100000u) << "before any mark: from 0, long over";
    HeadlessSetTicks(0);
    ClockMark();
    HeadlessSetAutoAdvance(1);
    EXPECT_EQ(ClockWait(10), 11u);  // readings 0..10 in the loop, 11 after it
    uint32_t reads_before = HeadlessTickReads();
    EXPECT_EQ(ClockWait(10), 13u) << "the second wait from the same mark is already over";
    EXPECT_EQ(HeadlessTickReads() - reads_before, 2u);
    // The next frame waits its full period from its own mark.
    HeadlessSetAutoAdvance(0);
    ClockMark();
    HeadlessSetAutoAdvance(1);
    reads_before = HeadlessTickReads();
    EXPECT_EQ(ClockWait(33), 14u + 34u);
    EXPECT_EQ(HeadlessTickReads() - reads_before, 35u);
}

}  // namespace

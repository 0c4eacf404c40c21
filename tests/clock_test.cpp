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

TEST_F(ClockTest, MarkStoresAndReturnsTheCount) {
    HeadlessSetTicks(12345);
    EXPECT_EQ(ClockRead(), 12345u);
    EXPECT_EQ(ClockMark(), 12345u);
    EXPECT_EQ(clock_start, 12345u);
}

TEST_F(ClockTest, WaitEndsAtTheFirstReadingPastThePeriod) {
    // The counter moves 1 ms per reading: the loop's last reading is mark + period, and the
    // result is the one fresh reading after it.
    struct Case {
        uint32_t mark;
        uint32_t period;
        uint32_t last_in_loop;
    };
    const Case cases[] = {
        {500, 33, 533},
        {4294967290u, 33, 27},  // across the wrap: 27, not 2^32 ms later
        {4294967295u, 1, 0},
        {4294967263u, 33, 0},
    };
    for (const Case& c : cases) {
        HeadlessReset();
        HeadlessSetTicks(c.mark);
        ASSERT_EQ(ClockMark(), c.mark);
        HeadlessSetAutoAdvance(1);
        const uint32_t reads_before = HeadlessTickReads();
        const uint32_t result = ClockWait(c.period);
        EXPECT_EQ(result, c.last_in_loop + 1)
            << "mark " << c.mark << " period " << c.period << ": expected " << c.last_in_loop + 1
            << ", got " << result;
        // period + 1 readings in the loop (offsets 0..period), then the final one.
        EXPECT_EQ(HeadlessTickReads() - reads_before, c.period + 2)
            << "mark " << c.mark << " period " << c.period;
        EXPECT_EQ(clock_start, c.mark) << "a wait never moves the mark";
    }
}

TEST_F(ClockTest, WaitOfZeroReadsTwice) {
    HeadlessSetTicks(700);
    ClockMark();
    const uint32_t reads_before = HeadlessTickReads();
    EXPECT_EQ(ClockWait(0), 700u);
    EXPECT_EQ(HeadlessTickReads() - reads_before, 2u);
}

TEST_F(ClockTest, LateWaitReturnsAtOnceWithNothingCarriedOver) {
    HeadlessSetTicks(1000);
    ClockMark();
    HeadlessAdvance(50);
    uint32_t reads_before = HeadlessTickReads();
    EXPECT_EQ(ClockWait(33), 1050u);
    EXPECT_EQ(HeadlessTickReads() - reads_before, 2u);
    // The next frame waits its full period from its own mark.
    ClockMark();
    HeadlessSetAutoAdvance(1);
    reads_before = HeadlessTickReads();
    EXPECT_EQ(ClockWait(33), 1050u + 34u);
    EXPECT_EQ(HeadlessTickReads() - reads_before, 35u);
}

TEST_F(ClockTest, WaitBeforeAnyMarkMeasuresFromZero) {
    HeadlessSetTicks(100000);
    const uint32_t reads_before = HeadlessTickReads();
    EXPECT_EQ(ClockWait(33), 100000u);
    EXPECT_EQ(HeadlessTickReads() - reads_before, 2u);
}

TEST_F(ClockTest, SeveralWaitsMeasureFromOneMark) {
    HeadlessSetTicks(0);
    ClockMark();
    HeadlessSetAutoAdvance(1);
    EXPECT_EQ(ClockWait(10), 11u);  // readings 0..10 in the loop, 11 after it
    const uint32_t reads_before = HeadlessTickReads();
    EXPECT_EQ(ClockWait(10), 13u) << "the second wait is already over";
    EXPECT_EQ(HeadlessTickReads() - reads_before, 2u);
}

}  // namespace

// test_tick_flag.cpp -- the tick flag shared by the timer thread and the main loop: ticks raised
// on another thread while the loop samples keys. Built with ThreadSanitizer it proves the two
// threads share the flag without a data race.
#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "allegro_test.h"

// The timer side stands in for Allegro's timer thread, which cannot run without a display
// NOTE: ThreadSanitizer does not catch every racing pair of accesses; two thousand ticks give it
// ample chance to, were the flag a plain int
TEST(TickFlag, TicksFromAnotherThreadAreSampledOncePerTurn)
{
    start_allegro_without_display();
    use_heightmap(make_red_image(24, 2, 2, { 0, 0, 0, 0 }));
    for (int k = 0; k < KEY_MAX; k++)
        key[k] = 0;
    key[KEY_LEFT] = -1;
    for (float &p : position)
        p = 0.0f;
    dring.store(0);

    std::atomic<bool> stop{ false };
    std::thread       timer([&stop] {
        while (!stop.load()) {
            horloge();
            std::this_thread::yield();
        }
    });

    // Each turn that finds the flag raised moves one step; the others do nothing
    long turns = 0;

    while (position[3] > -2000.0f && turns < 500000000L) {
        test();
        turns++;
    }
    stop.store(true);
    timer.join();
    key[KEY_LEFT] = 0;

    EXPECT_EQ(position[3], -2000.0f) << "after " << turns << " turns";
    EXPECT_GE(turns, 2000);
}

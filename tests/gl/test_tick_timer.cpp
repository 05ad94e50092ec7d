// test_tick_timer.cpp -- the tick flag with Allegro's real timer thread calling horloge every
// 20 ms while the main thread loops through test. Needs an X display (run under Xvfb); built
// with ThreadSanitizer it proves the two threads share the flag without a data race.
#include <cerrno>
#include <cstdlib>

#include <gtest/gtest.h>

#include "trackview.h"

TEST(TickTimer, AllegroTimerTicksAreSampledByTheLoop)
{
    ASSERT_EQ(install_allegro(SYSTEM_AUTODETECT, &errno, atexit), 0) << "no X display: " << allegro_error;
    ASSERT_EQ(install_int(horloge, 20), 0);

    for (int k = 0; k < KEY_MAX; k++)
        key[k] = 0;
    key[KEY_RIGHT] = -1;
    for (float &p : position)
        p = 0.0f;

    // The main loop's side: test every turn, never waiting, until ten ticks have been sampled
    while (position[3] < 10.0f)
        test();

    remove_int(horloge);
    key[KEY_RIGHT] = 0;
    EXPECT_EQ(position[3], 10.0f);
}

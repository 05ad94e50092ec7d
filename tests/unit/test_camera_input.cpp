// test_camera_input.cpp -- keys to camera deltas on a pending tick, and the Enter height listing
#include <array>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "allegro_test.h"

// The twelve camera keys, each with the element of position it changes and by how much
struct key_case {
    const char *name;
    int         code;
    int         element;
    float       change;
};

static const key_case CAMERA_KEY_CASES[] = {
    { "Up",        KEY_UP,        4, +1.0f },
    { "Down",      KEY_DOWN,      4, -1.0f },
    { "Left",      KEY_LEFT,      3, -1.0f },
    { "Right",     KEY_RIGHT,     3, +1.0f },
    { "PlusPad",   KEY_PLUS_PAD,  5, +1.0f },
    { "MinusPad",  KEY_MINUS_PAD, 5, -1.0f },
    { "R",         KEY_R,         2, +1.0f },
    { "F",         KEY_F,         2, -1.0f },
    { "U",         KEY_U,         1, +1.0f },
    { "J",         KEY_J,         1, -1.0f },
    { "H",         KEY_H,         0, +1.0f },
    { "K",         KEY_K,         0, -1.0f },
};

// A 3x3 heightmap, all keys up, position zero and a tick pending
class CameraInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        use_heightmap(make_red_image(24, 3, 3, { 10, 20, 30, 40, 50, 60, 70, 80, 90 }));
        release_all_keys();
        for (float &p : position)
            p = 0.0f;
        dring.store(1);
        captured_messages().clear();
    }

    void TearDown() override { release_all_keys(); }

    static void release_all_keys()
    {
        for (int k = 0; k < KEY_MAX; k++)
            key[k] = 0;
    }

    static std::array<float, 6> deltas()
    {
        return { position[0], position[1], position[2], position[3], position[4], position[5] };
    }
};

class EachCameraKey : public CameraInput, public ::testing::WithParamInterface<key_case> {};

TEST_P(EachCameraKey, StepsItsOwnElementByOne)
{
    const key_case c = GetParam();
    std::array<float, 6> expected{};

    expected[c.element] = c.change;
    key[c.code] = -1;      // what the keyboard driver stores for a key that is down
    test();
    EXPECT_EQ(deltas(), expected);
    EXPECT_EQ(dring.load(), 0);
    EXPECT_TRUE(captured_messages().empty());
}

TEST_P(EachCameraKey, AddsToWhatTheElementHolds)
{
    const key_case c = GetParam();

    position[c.element] = 2.5f;
    key[c.code] = 1;
    test();
    EXPECT_EQ(position[c.element], 2.5f + c.change);
}

TEST_P(EachCameraKey, StepsOncePerProcessedTick)
{
    const key_case c = GetParam();

    key[c.code] = -1;
    test();
    test();                 // no new tick: nothing
    dring.store(1);
    test();
    EXPECT_EQ(position[c.element], 2.0f * c.change);
}

INSTANTIATE_TEST_SUITE_P(Keys, EachCameraKey, ::testing::ValuesIn(CAMERA_KEY_CASES),
    [](const ::testing::TestParamInfo<key_case> &info) { return std::string(info.param.name); });

// Both keys of a pair are consecutive entries of the table
class EachKeyPair : public CameraInput, public ::testing::WithParamInterface<int> {};

TEST_P(EachKeyPair, CancelsOut)
{
    const key_case &first  = CAMERA_KEY_CASES[2 * GetParam()];
    const key_case &second = CAMERA_KEY_CASES[2 * GetParam() + 1];

    key[first.code]  = -1;
    key[second.code] = -1;
    test();
    EXPECT_EQ(deltas(), (std::array<float, 6>{})) << first.name << " with " << second.name;
    EXPECT_EQ(dring.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(Pairs, EachKeyPair, ::testing::Range(0, 6));

TEST_F(CameraInput, AllTwelveKeysTogetherChangeNothing)
{
    for (const key_case &c : CAMERA_KEY_CASES)
        key[c.code] = -1;
    test();
    EXPECT_EQ(deltas(), (std::array<float, 6>{}));
    EXPECT_EQ(dring.load(), 0);
}

// Only a flag of exactly 1 is a pending tick; any other value is left as it is
class FlagNotRaised : public CameraInput, public ::testing::WithParamInterface<int> {};

TEST_P(FlagNotRaised, ReadsNoKeyAndKeepsTheFlag)
{
    for (const key_case &c : CAMERA_KEY_CASES)
        key[c.code] = -1;
    key[KEY_H]     = 0;     // K alone: a key read without a tick would show
    key[KEY_ENTER] = -1;
    dring.store(GetParam());
    test();
    EXPECT_EQ(deltas(), (std::array<float, 6>{}));
    EXPECT_EQ(dring.load(), GetParam());
    EXPECT_TRUE(captured_messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Values, FlagNotRaised, ::testing::Values(0, 2, -1));

// Keys that look like camera or listing keys but are not
class NotACameraKey : public CameraInput, public ::testing::WithParamInterface<int> {};

TEST_P(NotACameraKey, DoesNothingButTheFlagStillDrops)
{
    key[GetParam()] = -1;
    test();
    EXPECT_EQ(deltas(), (std::array<float, 6>{}));
    EXPECT_TRUE(captured_messages().empty());
    EXPECT_EQ(dring.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(Keys, NotACameraKey, ::testing::Values(KEY_ENTER_PAD, KEY_EQUALS, KEY_MINUS),
    [](const ::testing::TestParamInfo<int> &info) {
        return std::string(info.param == KEY_ENTER_PAD ? "EnterPad" : info.param == KEY_EQUALS ? "Equals" : "Minus");
    });

// The text of one listed point
static std::string listed(int x, int y, int height)
{
    return "X: " + std::to_string(x) + " Y :" + std::to_string(y) + " \n hauteur : " + std::to_string(height);
}

TEST_F(CameraInput, EnterListsAllButTheLastColumnAndRow)
{
    // row 0: 11 22 33, row 1: 44 55 66
    use_heightmap(make_red_image(24, 3, 2, { 11, 22, 33, 44, 55, 66 }));
    key[KEY_ENTER] = -1;
    test();
    EXPECT_EQ(captured_messages(), (std::vector<std::string>{ listed(0, 0, 11), listed(1, 0, 22) }));
    EXPECT_EQ(dring.load(), 0);
}

TEST_F(CameraInput, EnterListsRowByRow)
{
    // 4 wide, 3 high: rows 0 and 1, columns 0 to 2
    use_heightmap(make_red_image(24, 4, 3, { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12 }));
    key[KEY_ENTER] = -1;
    test();
    EXPECT_EQ(captured_messages(), (std::vector<std::string>{
        listed(0, 0, 1), listed(1, 0, 2), listed(2, 0, 3),
        listed(0, 1, 5), listed(1, 1, 6), listed(2, 1, 7) }));
}

class ThinHeightmap : public CameraInput, public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(ThinHeightmap, ListsNothingAndStillDropsTheFlag)
{
    const int w = GetParam().first, h = GetParam().second;

    use_heightmap(make_red_image(24, w, h, std::vector<int>((size_t)w * h, 100)));
    key[KEY_ENTER] = -1;
    key[KEY_U]     = -1;
    test();
    EXPECT_TRUE(captured_messages().empty());
    EXPECT_EQ(position[1], 1.0f);
    EXPECT_EQ(dring.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ThinHeightmap,
    ::testing::Values(std::make_pair(1, 4), std::make_pair(4, 1), std::make_pair(1, 1)),
    [](const ::testing::TestParamInfo<std::pair<int, int>> &info) {
        return std::to_string(info.param.first) + "x" + std::to_string(info.param.second);
    });

// What the program looked like each time a message box opened during the listing
struct box_snapshot {
    std::array<float, 6> position;
    int                  dring;
};

static std::vector<box_snapshot> snapshots;
static void (*forward_message)(const char *) = nullptr;

// Records the state, then plays the timer: a tick falls while the box is open
static void snapshot_message(const char *text)
{
    snapshots.push_back({ { position[0], position[1], position[2], position[3], position[4], position[5] },
                          dring.load() });
    horloge();
    forward_message(text);
}

TEST_F(CameraInput, KeysHeldWithEnterAreRecordedBeforeTheFirstBoxAndTicksDuringTheListingAreDropped)
{
    snapshots.clear();
    forward_message = system_driver->message;
    system_driver->message = snapshot_message;
    key[KEY_ENTER]    = -1;
    key[KEY_LEFT]     = -1;
    key[KEY_PLUS_PAD] = -1;
    key[KEY_K]        = -1;
    dring.store(1);
    test();
    system_driver->message = forward_message;

    const std::array<float, 6> moved{ -1.0f, 0.0f, 0.0f, -1.0f, 0.0f, 1.0f };

    ASSERT_EQ(snapshots.size(), 4u);    // 3x3 heightmap: 2x2 points listed
    EXPECT_EQ(snapshots[0].position, moved);
    for (const box_snapshot &s : snapshots)
        EXPECT_EQ(s.dring, 1) << "the flag is lowered only after the listing";
    EXPECT_EQ(deltas(), moved);
    EXPECT_EQ(dring.load(), 0) << "ticks that fell during the listing are dropped";
    EXPECT_EQ(captured_messages().size(), 4u);
}

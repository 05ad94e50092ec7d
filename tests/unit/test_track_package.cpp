// test_track_package.cpp -- the package reader: message sequences, early ends, settings, output files
#include <dirent.h>         // Required for: counting open descriptors in /proc/self/fd
#include <unistd.h>         // Required for: chdir, getcwd

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "allegro_test.h"

using namespace std::string_literals;
namespace fs = std::filesystem;

static const std::string DEBUT = "d\xE9" "but";

// Each test runs in a fresh temporary working directory that holds unpack/
class TrackPackage : public ::testing::Test {
protected:
    fs::path home, work;

    void SetUp() override
    {
        start_allegro_without_display();
        char name[] = "/tmp/trackview-unpack-test.XXXXXX";

        ASSERT_NE(mkdtemp(name), nullptr);
        work = name;
        home = fs::current_path();
        fs::create_directory(work / "unpack");
        fs::current_path(work);
    }

    void TearDown() override
    {
        fs::current_path(home);
        fs::remove_all(work);
    }

    static void write_file(const fs::path &path, const std::string &bytes)
    {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    // Writes the package as "package", reads it, and returns the texts shown
    static std::vector<std::string> unpack_bytes(const std::string &bytes, int &result)
    {
        write_file("package", bytes);
        return unpack_named("package", result);
    }

    static std::vector<std::string> unpack_named(std::string name, int &result)
    {
        captured_messages().clear();
        result = unpack(name.data());
        return captured_messages();
    }
};

static int open_descriptors()
{
    int  count = 0;
    DIR *fds   = opendir("/proc/self/fd");

    while (readdir(fds))
        count++;
    closedir(fds);
    return count;
}

static std::string ended(const std::string &where)
{
    return "track package \"package\" ended early: end of file " + where;
}

static const int UNTOUCHED = -7;       // settings before each case; kept when no "mode OK" is shown

struct package_case {
    const char              *name;
    std::string              bytes;
    std::vector<std::string> messages;
    int                      settings_0, settings_1;
};

static const std::string NO_MARKER = ended("before the marker C");
static const std::string NO_MODES  = ended("in the two mode bytes");
static const std::string NO_FIRST  = ended("in the first field, before its delimiter /");
static const std::string NO_NAME   = ended("in the name field, before its delimiter /");

static const package_case package_cases[] = {
    { "EmptyFields", "C\x01\x02//"s,
      { DEBUT, "lecture", "mode OK 1 2", "47", "ok", "0" }, 1, 2 },
    { "ModeBytesAreNotMarkersOrDelimiters", "C/C5/AB/"s,
      { DEBUT, "lecture", "mode OK 47 67", "53", "47", "ok", "posi 1", "posi 2", "AB" }, 47, 67 },
    { "LowerCaseCPreambleAndExtremeModes", "cccccC\x00\xff/x/"s,
      { DEBUT, "lecture", "mode OK 0 255", "47", "ok", "posi 1", "x" }, 0, 255 },
    { "PreambleOfSlashesZeroAndHighBytes", "//\x00\xE9\x63\x80" "C\x10\x20\x43\x80/N/"s,
      { DEBUT, "lecture", "mode OK 16 32", "67", "128", "47", "ok", "posi 1", "N" }, 16, 32 },
    { "ZeroByteInNameEndsTheTextNotTheCount", "C\x01\x02/A\0B/"s,
      { DEBUT, "lecture", "mode OK 1 2", "47", "ok", "posi 1", "posi 2", "posi 3", "A" }, 1, 2 },
    { "NameStartingWithZeroByteShowsNothing", "C\x01\x02/\0/"s,
      { DEBUT, "lecture", "mode OK 1 2", "47", "ok", "posi 1", "" }, 1, 2 },
    { "RestAfterNameDelimiterIsNotRead", "C\x01\x02/A/" "BC/\x05/xyz/"s,
      { DEBUT, "lecture", "mode OK 1 2", "47", "ok", "posi 1", "A" }, 1, 2 },
    { "EndsAtOnce", ""s,
      { DEBUT, NO_MARKER }, UNTOUCHED, UNTOUCHED },
    { "EndsInPreamble", "ccc/\x00/"s,
      { DEBUT, NO_MARKER }, UNTOUCHED, UNTOUCHED },
    { "EndsBeforeModeBytes", "C"s,
      { DEBUT, "lecture", NO_MODES }, UNTOUCHED, UNTOUCHED },
    { "EndsAfterOneModeByte", "C\x07"s,
      { DEBUT, "lecture", NO_MODES }, UNTOUCHED, UNTOUCHED },
    { "EndsBeforeFirstField", "C\x01\x02"s,
      { DEBUT, "lecture", "mode OK 1 2", NO_FIRST }, 1, 2 },
    { "EndsInFirstField", "C\x01\x02\x05\x06"s,
      { DEBUT, "lecture", "mode OK 1 2", "5", "6", NO_FIRST }, 1, 2 },
    { "EndsBeforeName", "C\x01\x02/"s,
      { DEBUT, "lecture", "mode OK 1 2", "47", "ok", NO_NAME }, 1, 2 },
    { "EndsInName", "C\x01\x02/AB"s,
      { DEBUT, "lecture", "mode OK 1 2", "47", "ok", "posi 1", "posi 2", NO_NAME }, 1, 2 },
};

static void PrintTo(const package_case &c, std::ostream *os)
{
    *os << c.name;
}

class PackageCases : public TrackPackage, public ::testing::WithParamInterface<package_case> {};

TEST_P(PackageCases, ShowTheseMessagesAndCloseEveryFile)
{
    const package_case &c = GetParam();
    const bool complete = c.messages.back().rfind("track package", 0) != 0;   // no early-end message
    int        result   = -1;

    settings[0] = settings[1] = UNTOUCHED;
    const int fds_before = open_descriptors();

    EXPECT_EQ(unpack_bytes(c.bytes, result), c.messages);
    EXPECT_EQ(open_descriptors(), fds_before) << "a file is left open";
    if (complete)
        EXPECT_EQ(result, 0);
    else
        EXPECT_NE(result, 0);
    EXPECT_EQ(settings[0], c.settings_0);
    EXPECT_EQ(settings[1], c.settings_1);
}

INSTANTIATE_TEST_SUITE_P(Packages, PackageCases, ::testing::ValuesIn(package_cases),
    [](const ::testing::TestParamInfo<package_case> &info) { return std::string(info.param.name); });

TEST_F(TrackPackage, MissingPackageIsReportedAndNothingElse)
{
    int result = 0;

    settings[0] = 3;
    settings[1] = 4;
    EXPECT_EQ(unpack_named("no such package", result),
              std::vector<std::string>{ "loading error \n file : \"no such package\" not found" });
    EXPECT_NE(result, 0);
    EXPECT_EQ(settings[0], 3);
    EXPECT_EQ(settings[1], 4);
}

// A directory opens as a packfile but gives EOF with the error flag at the first read
TEST_F(TrackPackage, UnreadablePackageIsAReadErrorNotAnEarlyEnd)
{
    int result = 0;

    fs::create_directory("folder");
    EXPECT_EQ(unpack_named("folder", result),
              (std::vector<std::string>{ DEBUT, "track package \"folder\" could not be read: read error before the marker C" }));
    EXPECT_NE(result, 0);
}

TEST_F(TrackPackage, OutputFilesAreCreatedOrEmptiedWhateverThePackage)
{
    const std::vector<std::string> packages = { "C\x01\x02/AB/"s, "C\x01"s, "" };

    for (const std::string &package : packages) {
        for (int missing = 0; missing < 2; missing++) {
            SCOPED_TRACE("package of " + std::to_string(package.size()) + " bytes" + (missing ? ", missing" : ""));
            int result = 0;

            // one output file is new, the other holds an old picture
            fs::remove(missing ? "unpack/race.bmp" : "unpack/texture.bmp");
            write_file(missing ? "unpack/texture.bmp" : "unpack/race.bmp", "BM old picture");
            if (missing) {
                fs::remove("package");
                unpack_named("package", result);
            } else {
                unpack_bytes(package, result);
            }
            ASSERT_TRUE(fs::is_regular_file("unpack/race.bmp"));
            ASSERT_TRUE(fs::is_regular_file("unpack/texture.bmp"));
            EXPECT_EQ(fs::file_size("unpack/race.bmp"), 0u);
            EXPECT_EQ(fs::file_size("unpack/texture.bmp"), 0u);
        }
    }
}

TEST_F(TrackPackage, NoUnpackFolderDoesNotStopTheReader)
{
    int result = -1;

    fs::remove_all("unpack");
    EXPECT_EQ(unpack_bytes("C\x01\x02/AB/"s, result).back(), "AB");
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(fs::exists("unpack"));
}

// The whole name is stored; the final text is cut by the 4 KiB message buffer
TEST_F(TrackPackage, VeryLongNameIsCountedAndKeptWhole)
{
    const int   length = 100000;
    std::string name;
    int         result = -1;

    for (int i = 0; i < length; i++)
        name.push_back((char)('a' + i % 26));

    const std::vector<std::string> messages = unpack_bytes("C\x01\x02/"s + name + "/", result);

    EXPECT_EQ(result, 0);
    ASSERT_EQ(messages.size(), 5u + length + 1);
    EXPECT_EQ(messages[5 + length - 1], "posi 100000");
    for (int i = 0; i < length; i++)
        if (messages[5 + i] != "posi " + std::to_string(i + 1))
            FAIL() << "message " << 5 + i << " is " << messages[5 + i];
    EXPECT_EQ(messages.back(), name.substr(0, 4095));
}

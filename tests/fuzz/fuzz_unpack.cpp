// fuzz_unpack.cpp -- the package reader on arbitrary bytes, checked against a plain model of the format
// NOTE: the reader writes ./unpack/ of the working directory, so the harness works in a private
// temporary folder; relative corpus paths and the crash file prefix are made absolute first
#include <sys/stat.h>       // Required for: mkdir
#include <unistd.h>         // Required for: chdir, getcwd, rmdir, unlink

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "trackview.h"

static const size_t MESSAGE_SIZE = 4096;           // Allegro's message buffer, terminator included
static const int    UNTOUCHED    = -1;             // settings before each run

static std::vector<std::string> shown;             // texts of the current run
static char                     work_dir[] = "/tmp/trackview-fuzz-unpack.XXXXXX";

// Remove the private folder and what the reader made in it
static void remove_work_dir()
{
    const std::string dir = work_dir;

    if (chdir("/") != 0)
        return;
    unlink((dir + "/package").c_str());
    unlink((dir + "/unpack/race.bmp").c_str());
    unlink((dir + "/unpack/texture.bmp").c_str());
    rmdir((dir + "/unpack").c_str());
    rmdir(work_dir);
}

// Every text must end within the message buffer
static void check_message(const char *text)
{
    if (strnlen(text, MESSAGE_SIZE) >= MESSAGE_SIZE) {
        fprintf(stderr, "message not terminated within %zu bytes\n", MESSAGE_SIZE);
        remove_work_dir();
        abort();
    }
    shown.emplace_back(text);
}

// Corpus folders, files and the flags that name paths, made absolute against the start folder
static void make_paths_absolute(int *argc, char ***argv)
{
    static std::vector<std::string> args;
    static std::vector<char *>      pointers;
    static const char *const        path_flags[] = { "-artifact_prefix=", "-exact_artifact_path=", "-dict=",
                                                     "-merge_control_file=", "-features_dir=" };
    char  cwd[4096];
    bool  has_prefix = false;

    if (!getcwd(cwd, sizeof cwd))
        abort();
    const std::string here = std::string(cwd) + "/";

    for (int i = 0; i < *argc; i++) {
        std::string arg = (*argv)[i];

        if (i > 0 && arg[0] != '-' && arg[0] != '/')
            arg = here + arg;
        for (const char *flag : path_flags) {
            const size_t length = strlen(flag);

            if (arg.compare(0, length, flag) == 0) {
                has_prefix |= strcmp(flag, "-artifact_prefix=") == 0;
                if (arg.size() > length && arg[length] != '/')
                    arg.insert(length, here);
            }
        }
        args.push_back(arg);
    }
    if (!has_prefix)
        args.push_back("-artifact_prefix=" + here);
    for (std::string &arg : args)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    *argc = (int)args.size();
    *argv = pointers.data();
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    make_paths_absolute(argc, argv);

    set_uformat(U_ASCII);
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
        abort();
    system_driver->message = check_message;

    if (!mkdtemp(work_dir) || chdir(work_dir) != 0 || mkdir("unpack", 0700) != 0)
        abort();
    atexit(remove_work_dir);
    return 0;
}

// What the reader should show for these bytes saved as "package"; complete after a whole header
static std::vector<std::string> model(const uint8_t *data, size_t size, bool &complete, int mode[2])
{
    std::vector<std::string> texts = { "d\xE9" "but" };
    std::string              name;
    size_t                   i     = 0;
    const auto               ended = [&texts](const char *where) {
        texts.push_back(std::string("track package \"package\" ended early: end of file ") + where);
        return texts;
    };

    complete = false;
    while (i < size && data[i] != 0x43)
        i++;
    if (i++ == size)
        return ended("before the marker C");
    texts.push_back("lecture");
    if (size - i < 2)
        return ended("in the two mode bytes");
    mode[0] = data[i++];
    mode[1] = data[i++];
    texts.push_back("mode OK " + std::to_string(mode[0]) + " " + std::to_string(mode[1]));
    do {
        if (i == size)
            return ended("in the first field, before its delimiter /");
        texts.push_back(std::to_string(data[i]));
    } while (data[i++] != 0x2F);
    texts.push_back("ok");
    for (; i < size && data[i] != 0x2F; i++) {
        name.push_back((char)data[i]);
        texts.push_back("posi " + std::to_string(name.size()));
    }
    if (i == size)
        return ended("in the name field, before its delimiter /");
    if (name.empty())
        name = "0";
    texts.push_back(name.substr(0, std::min(name.find('\0'), MESSAGE_SIZE - 1)));
    complete = true;
    return texts;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FILE *package = fopen("package", "wb");

    if (!package || fwrite(data, 1, size, package) != size || fclose(package) != 0)
        abort();

    char name[]  = "package";
    bool complete = false;
    int  mode[2]  = { UNTOUCHED, UNTOUCHED };

    const std::vector<std::string> expected = model(data, size, complete, mode);

    shown.clear();
    settings[0] = settings[1] = UNTOUCHED;

    const int result = unpack(name);

    if (shown != expected || (result == 0) != complete || settings[0] != mode[0] || settings[1] != mode[1]) {
        fprintf(stderr, "reader and model differ: result %i, settings %i %i (want %i %i)\n",
                result, settings[0], settings[1], mode[0], mode[1]);
        for (size_t k = 0; k < shown.size() || k < expected.size(); k++)
            fprintf(stderr, "  %zu: shown \"%s\" want \"%s\"\n", k, k < shown.size() ? shown[k].c_str() : "-",
                    k < expected.size() ? expected[k].c_str() : "-");
        remove_work_dir();
        abort();
    }
    return 0;
}

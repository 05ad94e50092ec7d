// unpack_main.cpp -- trackview-unpack: runs the track package reader on one file
#include <cerrno>           // Required for: errno, handed to install_allegro
#include <cstdio>
#include <cstdlib>          // Required for: atexit

#include "trackview.h"

// Without an X display each message goes to stdout with a line feed after it, its bytes unchanged,
// as Allegro's X11 driver prints them when it cannot show a box
static void print_message(const char *text)
{
    fputs(text, stdout);
    fputc('\n', stdout);
    fflush(stdout);
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fputs("usage: trackview-unpack PACKAGE\n", stderr);
        return 2;
    }

    // Messages are single bytes in ISO 8859-1 (the é of "début" is 0xE9): pass them through unchanged
    set_uformat(U_ASCII);
    if (install_allegro(SYSTEM_AUTODETECT, &errno, atexit) != 0) {
        if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
            fprintf(stderr, "trackview-unpack: Allegro could not start: %s\n", allegro_error);
            return 1;
        }
        system_driver->message = print_message;
    }

    return unpack(argv[1]) == 0 ? 0 : 1;
}
END_OF_MAIN()

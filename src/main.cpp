#include "app/TamselDeskApp.h"

#include <cstdio>
#include <string_view>

namespace {

constexpr const char *usage = "Usage: tamsel [options]\n"
                              "\n"
                              "Tamsel, an animated pet that lives on your desktop. Started again while it runs,\n"
                              "it shows the running pet and exits.\n"
                              "\n"
                              "Options:\n"
                              "  --ask          Open the Ask prompt, or close it when it is open; starts Tamsel\n"
                              "                 when it is not running. Bind a key to `tamsel --ask` where\n"
                              "                 the desktop offers no global shortcut to Tamsel.\n"
                              "  -h, --help     Print this help and exit.\n"
                              "  -v, --version  Print the version and exit.\n"
                              "\n"
                              "Qt's own options (-platform, -display, ...) are accepted too.\n";

}

// Help and version are answered before anything starts, so they work with no display and no
// session bus.
int main(int argc, char **argv)
{
    bool toggleAsk = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(usage, stdout);
            return 0;
        }
        if (argument == "--version" || argument == "-v") {
            std::fputs("tamsel " TAMSEL_VERSION "\n", stdout);
            return 0;
        }
        if (argument == "--ask")
            toggleAsk = true;
    }
    return TamselDeskApp::launch(argc, argv, toggleAsk);
}

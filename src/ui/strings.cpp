#include "ui/strings.h"

#include <string>

#include "catalogue/hosts.h"

namespace {

// The help address lives in a 32-character string resource.
static_assert(std::char_traits<char>::length(kHelpAddress) <= 31, "help address must fit 31 characters");

constexpr const char* kTexts[] = {
    "KESTRL Data Updater",
    "Free software for KESTRL users, without warranty of any kind.",
    kHelpAddress,
    "About this program...",
    "Could not start web browser.",
    "This will delete all the files in the UPDATE directory.\nAre you sure you want to do this?",
    "Can't find KESTRL.EXE.  Is the KESTRL\nUpdater installed in the correct directory?",
    "Can't find SAVE or IMPORT directory(s).  Is the\nKESTRL Updater installed in the correct directory?",
    "KESTRL is running!  Exit KESTRL,\nthen start the KESTRL Data Updater again.",
    "Don't specify both keep-alive and non-keep-alive\nversions of the DX Cluster Node database.\n\n"
    "Both selections update the same file (KESTRL.TCP)",
    "Didn't specify address of proxy server!",
    "Saved selections are not valid, using defaults.",
    "Are you sure you want to exit the KESTRL Data Updater?",
    "Are you sure you want to abandon your changes?",
    "KESTRL %s is not supported by the Updater.\nTry Help | Check for Updates from the KESTRL main menu.",
};

}  // namespace

const char* load_string(int id)
{
    if (id < kStrProgramName || id > kStrUnsupportedHost) return "";
    return kTexts[id - kStrProgramName];
}

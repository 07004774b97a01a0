#include "ui/strings.h"

#include <string_view>

#include "catalogue/hosts.h"
#include "platform/platform.h"

namespace {

#define STRING_TEXT(id, text) text,
constexpr const char* kTexts[] = {
#include "platform/string_texts.inc"
};
#undef STRING_TEXT

#define STRING_TEXT(id, text) id,
constexpr int kNumbers[] = {
#include "platform/string_texts.inc"
};
#undef STRING_TEXT

constexpr bool numbered_in_order()
{
    for (int i = 0; i < int(std::size(kNumbers)); ++i)
        if (kNumbers[i] != kStrProgramName + i) return false;
    return std::size(kNumbers) == kStrUnsupportedHost - kStrProgramName + 1;
}
static_assert(numbered_in_order(), "string texts must be numbered 1301-1315 in order");
static_assert(std::string_view(kTexts[kStrHelpAddress - kStrProgramName]) == kHelpAddress,
              "the help text must be the help address");
// The help address lives in a 32-character string resource.
static_assert(std::string_view(kHelpAddress).size() <= 31, "help address must fit 31 characters");

}  // namespace

const char* load_string(int id)
{
    if (id < kStrProgramName || id > kStrUnsupportedHost) return "";
    if (g_platform.toolkit.string_resource)
        if (const char* text = g_platform.toolkit.string_resource(id)) return text;
    return kTexts[id - kStrProgramName];
}

// Built twice: into the release program without KSTLUPD_TEST_HOOKS (no hook, and not
// even the names of the variables in the binary), and into the test programs with it.
#include "platform/test_hooks.h"

#ifdef KSTLUPD_TEST_HOOKS
#include <cstdlib>

const char* test_hook_connect_to()
{
    const char* text = std::getenv("KSTLUPD_TEST_CONNECT_TO");
    return text && *text ? text : nullptr;
}

long test_hook_stall_seconds(long fallback)
{
    const char* text = std::getenv("KSTLUPD_TEST_STALL_SECONDS");
    if (!text || !*text) return fallback;
    char* end = nullptr;
    const long seconds = std::strtol(text, &end, 10);
    return (*end == '\0' && seconds > 0 && seconds < 3600) ? seconds : fallback;
}

const char* test_hook_update_keys()
{
    const char* text = std::getenv("KSTLUPD_TEST_UPDATE_KEYS");
    return text && *text ? text : nullptr;
}

#else

const char* test_hook_connect_to() { return nullptr; }

long test_hook_stall_seconds(long fallback) { return fallback; }

const char* test_hook_update_keys() { return nullptr; }

#endif

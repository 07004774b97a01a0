#include "net/internet_error.h"

#include <string>

#include "base/log.h"
#include "base/report.h"
#include "platform/platform.h"

namespace {

// The explanation shown under the first line, or null for none.
const char* explanation_of(uint32_t code)
{
    switch (code) {
    case 6: return "ERROR_INVALID_HANDLE";
    case 12002: return "The request has timed out.";
    case 12007: return "The server name could not be resolved.";
    case 12029: return "The attempt to connect to the server failed.";
    case 12057: return "Revocation of the SSL certificate failed.";
    case 12157: return "Internal error loading the SSL libraries.";
    default: return nullptr;
    }
}

}  // namespace

uint32_t reportInternetError(Window* owner, const char* operation, const char* extra)
{
    // First, before anything else can overwrite it.
    const uint32_t code = g_platform.inet_last_error();
    const unsigned long shown = code;

    std::string message;
    if (code != 2 && code != 122) {
        const char* why = explanation_of(code);
        message = why ? format_bounded(kMessageSize, "%s failed, error = %lu\n%s", operation, shown, why)
                      : format_bounded(kMessageSize, "%s failed, error = %lu", operation, shown);
    }
    if (extra && *extra) message = format_bounded(kMessageSize, "%s\n%s", message.c_str(), extra);
    if (!message.empty()) report_message(owner, message.c_str(), "Internet error", kMbIconError);
    return code;
}

#include "net/internet_error.h"

#include <string>

#include "base/log.h"
#include "base/report.h"
#include "platform/platform.h"

namespace {

// The explanation shown under the first line, or null for none. Besides the
// classic few, every code a GET over HTTP or HTTPS (through a proxy or not) can
// end with has one, so that the user learns what went wrong, not just a number.
const char* explanation_of(uint32_t code)
{
    switch (code) {
    case 6: return "ERROR_INVALID_HANDLE";
    case 8: return "There is not enough memory.";
    case 12001: return "No more Internet handles could be made.";
    case 12002: return "The request has timed out.";
    case 12004: return "An internal error has occurred.";
    case 12005: return "The URL is invalid.";
    case 12006: return "The URL scheme is not supported.";
    case 12007: return "The server name could not be resolved.";
    case 12012: return "The Internet functions are shutting down.";
    case 12017: return "The operation was cancelled.";
    case 12018: return "The handle is of the wrong type for this operation.";
    case 12019: return "The handle is not in the right state for this operation.";
    case 12029: return "The attempt to connect to the server failed.";
    case 12030: return "The connection with the server was ended.";
    case 12031: return "The connection with the server was reset.";
    case 12032: return "The request must be sent again.";
    case 12037: return "The SSL certificate has expired or is not valid yet.";
    case 12038: return "The SSL certificate is for another host name.";
    case 12044: return "The server asks for a client certificate.";
    case 12045: return "The SSL certificate was issued by an authority that is not trusted.";
    case 12055: return "The SSL certificate has errors.";
    case 12056: return "The revocation of the SSL certificate could not be checked.";
    case 12057: return "Revocation of the SSL certificate failed.";
    case 12150: return "The response has no such header.";
    case 12152: return "The server's response could not be understood.";
    case 12156: return "The redirection failed.";
    case 12157: return "Internal error loading the SSL libraries.";
    case 12169: return "The SSL certificate is not valid.";
    case 12170: return "The SSL certificate has been revoked.";
    case 12175: return "The response could not be decoded.";
    default: return nullptr;
    }
}

}  // namespace

uint32_t reportInternetError(AppWindow* owner, const char* operation, const char* extra)
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

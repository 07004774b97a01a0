// Any text as a Last-Modified header, and any time from 1970 to the end of year 9999
// written as a server writes it (RFC 1123 or asctime): that date must read back as
// the same second.
#include <cstring>
#include <ctime>
#include <string>

#include "fuzz_support.h"
#include "net/http_fetch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    (void)parseHttpDate(text.c_str());

    if (size < 8) return 0;
    uint64_t raw;
    std::memcpy(&raw, data, 8);
    const time_t when = time_t(raw % uint64_t(kEndOfYear9999));
    std::tm parts{};
    char date[64];
    if (!gmtime_r(&when, &parts) || !std::strftime(date, sizeof date, "%a, %d %b %Y %H:%M:%S GMT", &parts))
        fuzz_fail("cannot write the date");
    if (parseHttpDate(date) != int64_t(when)) fuzz_fail("a server's date reads back as another second");
    if (!http_date_in_range(parseHttpDate(date))) fuzz_fail("a server's date counts as none");
    if (!std::strftime(date, sizeof date, "%a %b %e %H:%M:%S %Y", &parts)) fuzz_fail("cannot write the date");
    if (parseHttpDate(date) != int64_t(when)) fuzz_fail("an asctime date reads back as another second");
    return 0;
}

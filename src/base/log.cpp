#include "base/log.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "base/config.h"

namespace {

void write_log(const char* format, va_list args)
{
    if (!g_config.log) return;
    std::vfprintf(g_config.log, format, args);
    std::fflush(g_config.log);
}

}  // namespace

void log_printf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    write_log(format, args);
    va_end(args);
}

void debug_printf(const char* format, ...)
{
    if (!g_config.debug) return;
    va_list args;
    va_start(args, format);
    write_log(format, args);
    va_end(args);
}

std::string format_bounded(size_t size, const char* format, ...)
{
    if (size == 0) return {};
    std::vector<char> buffer(size);
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer.data(), size, format, args);
    va_end(args);
    if (n < 0) return {};
    return std::string(buffer.data());
}

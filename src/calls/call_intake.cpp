#include "calls/call_intake.h"

#include <cstring>

#include "app/log.h"
#include "calls/callsign.h"

void take_call(CallSet* set, char* text, char listId, size_t max_length, ReadCounts* counts)
{
    if (!isValidCall(text)) {
        debug_printf("DEBUG:\t%s is not a valid call\n", text);
        ++counts->invalid;
        return;
    }
    stripCallSuffix(text);
    size_t length = std::strlen(text);
    if (length == 0) return;
    if (length > max_length) {
        debug_printf("DEBUG:\t%s is not a valid call\n", text);
        ++counts->invalid;
        return;
    }
    addCall(set, text, listId);
    ++counts->good;
}

void log_read_counts(const ReadCounts& counts, const DataSource& source)
{
    const std::string& name = source.downloadPath.empty() ? source.targetPath : source.downloadPath;
    debug_printf("DEBUG:\t        Read %0d good, %0d invalid calls from %s\n", counts.good, counts.invalid,
                 name.c_str());
}

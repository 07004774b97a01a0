// Any bytes as a master callsign list, through both of its readers (one callsign
// per line, and the second token of each line), then written as the master file's
// records. What is stored must be a set of clean callsigns in ascending order.
#include <cstring>
#include <string>

#include "call_set_view.h"
#include "calls/master_file.h"
#include "fuzz_support.h"

namespace {

void check_set(CallSet& set)
{
    finish_set(&set);
    std::string previous;
    bool first = true;
    size_t count = 0;
    for_each_call(set, [&](const CallEntry& entry) {
        const std::string call(entry.callsign);
        if (call.empty() || call.size() > 63) fuzz_fail("stored callsign empty or longer than a line piece");
        if (call.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/") != std::string::npos)
            fuzz_fail("stored callsign holds a byte no callsign has");
        if (!first && !(previous < call)) fuzz_fail("stored callsigns out of order or repeated");
        if (entry.lists[0] != '\0') fuzz_fail("master callsign with a list ID");
        previous = call;
        first = false;
        ++count;
    });
    FILE* out = fuzz_null_stream();
    if (size_t(writeMasterCalls(out, set)) != count) fuzz_fail("master records written differ from the set");
    std::fclose(out);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz_setup();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DataSource source;
    source.downloadPath = "UPDATE\\MASTER.LIS";

    CallSet per_line;
    FILE* stream = fuzz_open_bytes(data, size);
    readCallPerLine(stream, &per_line, source);
    std::fclose(stream);
    check_set(per_line);

    CallSet second_token;
    stream = fuzz_open_bytes(data, size);
    readCallSecondToken(stream, &second_token, source);
    std::fclose(stream);
    check_set(second_token);

    fuzz_check_log(2 * size);
    return 0;
}

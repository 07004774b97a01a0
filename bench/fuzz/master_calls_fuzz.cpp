// Any bytes as a master callsign list, through both of its readers (one callsign
// per line, and the second token of each line), then written as the master file's
// records. What is stored must be a set of clean callsigns in ascending order.
#include <cstdio>

#include "call_set_view.h"
#include "calls/master_file.h"
#include "fuzz_support.h"

namespace {

// A callsign is at most a line piece (63 characters) and has no list ID.
void check_set(CallSet& set)
{
    const size_t count = check_stored_calls(&set, 63, [](const CallEntry& entry) {
        if (entry.lists[0] != '\0') fuzz_fail("master callsign with a list ID");
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

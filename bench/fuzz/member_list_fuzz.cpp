// Any bytes as a membership list, read twice under two list IDs as two lists with
// the same members, then written as the membership file's records. Every member
// must then carry both IDs once, in the order the lists were read.
#include <cstring>
#include <string>

#include "call_set_view.h"
#include "calls/membership_file.h"
#include "fuzz_support.h"

namespace {

void read_list(const uint8_t* data, size_t size, CallSet* set, char listId)
{
    DataSource source;
    source.downloadPath = "UPDATE\\AGMemberList.txt";
    FILE* stream = fuzz_open_bytes(data, size);
    readMemberList(stream, set, source, listId);
    std::fclose(stream);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz_setup();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CallSet set;
    read_list(data, size, &set, 'E');
    read_list(data, size, &set, 'L');
    finish_set(&set);

    std::string previous;
    bool first = true;
    int count = 0;
    for_each_call(set, [&](const CallEntry& entry) {
        const std::string call(entry.callsign);
        if (call.empty() || call.size() > kMaxMemberCallLength) fuzz_fail("stored member empty or too long");
        if (call.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/") != std::string::npos)
            fuzz_fail("stored member holds a byte no callsign has");
        if (!first && !(previous < call)) fuzz_fail("stored members out of order or repeated");
        if (std::strcmp(entry.lists, "EL") != 0) fuzz_fail("member without exactly the IDs of its two lists");
        previous = call;
        first = false;
        ++count;
    });
    FILE* out = fuzz_null_stream();
    if (writeMemberRecords(nullptr, set) != count || writeMemberRecords(out, set) != count)
        fuzz_fail("membership records counted or written differ from the set");
    std::fclose(out);
    fuzz_check_log(2 * size);
    return 0;
}

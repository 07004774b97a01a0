// Any bytes as a membership list, read twice under two list IDs as two lists with
// the same members, then written as the membership file's records. Every member
// must then carry both IDs once, in the order the lists were read.
#include <cstdio>
#include <cstring>

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
    const int count = int(check_stored_calls(&set, kMaxMemberCallLength, [](const CallEntry& entry) {
        if (std::strcmp(entry.lists, "EL") != 0) fuzz_fail("member without exactly the IDs of its two lists");
    }));
    FILE* out = fuzz_null_stream();
    if (writeMemberRecords(nullptr, set) != count || writeMemberRecords(out, set) != count)
        fuzz_fail("membership records counted or written differ from the set");
    std::fclose(out);
    fuzz_check_log(2 * size);
    return 0;
}

// Any bytes as a downloaded node list: read, written back as the merge writes
// nodes, and read again. Where the written form can hold every field, writing what
// was read must be stable: the second reading writes exactly the same lines, or a
// merge would change nodes nobody touched.
#include <sys/stat.h>

#include <string>

#include "fuzz_support.h"
#include "nodes/node_file.h"

namespace {

std::string written(const NodeEntry* set)
{
    FILE* out = std::fopen("UPDATE/written.tcp", "wb");
    if (!out) fuzz_fail("cannot write the node lines");
    (void)writeNodeSet(out, set);
    if (std::fclose(out) != 0) fuzz_fail("cannot write the node lines");
    std::string bytes;
    if (!fuzz_read_file("UPDATE/written.tcp", &bytes)) fuzz_fail("cannot read the node lines back");
    return bytes;
}

// Whether a node's line, written in the usual order, reads back as the same fields:
// each separator is looked for only at its first place in the line, so a link must
// not hold ',' or '|', an address not '|', nor '>' when there is no link before it.
bool expressible(const NodeEntry* entry)
{
    if (!entry) return true;
    if (entry->link && entry->link->find_first_of(",|") != std::string::npos) return false;
    if (entry->address.find_first_of(entry->link ? "|" : "|>") != std::string::npos) return false;
    return expressible(entry->left.get()) && expressible(entry->right.get());
}

void check_version(const NodeVersion& version)
{
    if (version.back() != '\0') fuzz_fail("version text without a terminator");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz_setup();
    mkdir("UPDATE", 0755);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz_write_file("UPDATE/KESTRL.TCP", data, size);
    NodeVersion version{};
    NodeSet set = read_tcp(nullptr, "UPDATE\\KESTRL.TCP", &version);
    check_version(version);
    fuzz_check_log(size);
    if (!set || !expressible(set.get())) return 0;

    const std::string first = written(set.get());
    NodeVersion again{};
    NodeSet reread = read_tcp(nullptr, "UPDATE\\written.tcp", &again);
    check_version(again);
    if (!reread || written(reread.get()) != first) fuzz_fail("node lines change when read back");
    fuzz_log_taken();
    return 0;
}

// Any bytes as a downloaded node list: read, written back as the merge writes
// nodes, and read again. Where the written form can hold every field, writing what
// was read must be stable: the second reading writes exactly the same lines, or a
// merge would change nodes nobody touched.
#include <sys/stat.h>

#include <string>

#include "fuzz_support.h"
#include "nodes/node_file.h"

namespace {

// The target reaches a set only through these helpers, so that it does not depend
// on how the set stores its nodes (a tree of entries or a sorted array).
template <class Entry, class Visit>
void each_entry(const Entry* entry, Visit visit)
{
    if (!entry) return;
    each_entry(entry->left.get(), visit);
    visit(*entry);
    each_entry(entry->right.get(), visit);
}

template <class Set, class Visit>
void each_node(const Set& set, Visit visit)
{
    if constexpr (requires { set.nodes; }) {
        for (const NodeEntry& node : set.nodes) visit(node);
    } else {
        each_entry(set.get(), visit);
    }
}

template <class Set>
void write_set(FILE* out, const Set& set)
{
    if constexpr (requires { writeNodeSet(out, set); }) (void)writeNodeSet(out, set);
    else (void)writeNodeSet(out, set.get());
}

std::string written(const NodeSet& set)
{
    FILE* out = std::fopen("UPDATE/written.tcp", "wb");
    if (!out) fuzz_fail("cannot write the node lines");
    write_set(out, set);
    if (std::fclose(out) != 0) fuzz_fail("cannot write the node lines");
    std::string bytes;
    if (!fuzz_read_file("UPDATE/written.tcp", &bytes)) fuzz_fail("cannot read the node lines back");
    return bytes;
}

// Whether every node's line, written in the usual order, reads back as the same
// fields: each separator is looked for only at its first place in the line, so a
// link must not hold ',' or '|', an address not '|', nor '>' when there is no link.
bool expressible(const NodeSet& set)
{
    bool all = true;
    each_node(set, [&](const NodeEntry& node) {
        if (node.link && node.link->find_first_of(",|") != std::string::npos) all = false;
        if (node.address.find_first_of(node.link ? "|" : "|>") != std::string::npos) all = false;
    });
    return all;
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
    if (!expressible(set)) return 0;

    const std::string first = written(set);
    NodeVersion again{};
    NodeSet reread = read_tcp(nullptr, "UPDATE\\written.tcp", &again);
    check_version(again);
    if (written(reread) != first) fuzz_fail("node lines change when read back");
    fuzz_log_taken();
    return 0;
}

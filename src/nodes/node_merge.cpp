#include "nodes/node_merge.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "base/atomic_file.h"
#include "base/config.h"
#include "base/log.h"
#include "base/outside_text.h"
#include "base/report.h"
#include "files/file_ops.h"
#include "nodes/node_file.h"
#include "platform/platform.h"

namespace {

// A debug line about nodes of the publisher's list, whose texts are shown as data.
// The format has no line end; one is added after the control bytes were escaped.
void debug_node_line(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
void debug_node_line(const char* format, ...)
{
    if (!g_config.debug) return;
    char line[4096];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    debug_printf("%s\n", shown_text(line).c_str());
}

const char* text_or_empty(const std::optional<std::string>& text) { return text ? text->c_str() : ""; }

// "|extra" of a node that has an extra text, nothing for one without.
std::string extra_part(const std::optional<std::string>& extra) { return extra ? "|" + *extra : std::string(); }

// The user's own nodes: the publisher does not know them, so they must survive.
bool is_local_node(const NodeEntry& node)
{
    const std::string& call = node.callsign;
    if (call.find("local") != std::string::npos || call.find("Local") != std::string::npos ||
        call.find("LOCAL") != std::string::npos)
        return true;
    return node.address.starts_with("127.0.") || node.address.starts_with("192.168.");
}

void report_error(AppWindow* owner, const std::string& text, const char* title)
{
    report_message(owner, text.c_str(), title, kMbIconError);
}

void report_no_nodes(AppWindow* owner, const std::string& path)
{
    report_error(owner, format_bounded(kMessageSize, "%s did not contain any valid Telnet nodes!", path.c_str()),
                 "No nodes");
}

void merge_one(const NodeEntry& n, NodeEntry* u, NodeCounts* counts)
{
    if (u->address == n.address && u->link == n.link) {
        u->extra = n.extra;
        counts->matched += 1;
        return;
    }
    // The user's LOCAL node points at their own cluster; only an identical one may
    // take the publisher's extra text.
    if (n.callsign == "LOCAL") return;

    u->extra = n.extra;
    const std::string extra = extra_part(n.extra);
    if (u->link != n.link) {
        debug_node_line("DEBUG:\t        CHANGE: %s>[%s]:%s%s => %s>[%s]:%s%s", u->callsign.c_str(),
                        text_or_empty(u->link), u->address.c_str(), extra.c_str(), n.callsign.c_str(),
                        text_or_empty(n.link), n.address.c_str(), extra.c_str());
        u->link = n.link;
        counts->changed += 1;
    }
    if (u->address != n.address) {
        debug_node_line("DEBUG:\t        CHANGE: %s>%s:[%s]%s => %s>%s:[%s]%s", u->callsign.c_str(),
                        text_or_empty(u->link), u->address.c_str(), extra.c_str(), n.callsign.c_str(),
                        text_or_empty(n.link), n.address.c_str(), extra.c_str());
        u->address = n.address;
        counts->changed += 1;
    }
}

// Writes a node that has a fixed place near the top and takes it out of the rest.
void write_placed(FILE* stream, NodeEntry* node, int* written)
{
    *written += writeNodeLine(stream, *node);
    node->pending = 0;
}

// The merged list: the favourite first, then RBN and LOCAL, then the rest, and the
// version line. The number of node lines written.
int write_merged(AppWindow* owner, FILE* out, NodeSet* installed, const NodeVersion& version)
{
    int written = 0;
    NodeEntry* favourite = findFavourite(installed);
    if (!favourite) {
        report_error(owner, "Can't find favorite node!", "No favorite");
    } else if (favourite->pending) {
        write_placed(out, favourite, &written);
    } else {
        report_error(owner,
                     format_bounded(kMessageSize, "Favorite node is not valid: %s>%s,%s%s", favourite->callsign.c_str(),
                                    text_or_empty(favourite->link), favourite->address.c_str(),
                                    extra_part(favourite->extra).c_str()),
                     "Invalid favorite");
    }
    // RBN and LOCAL keep their places below the favourite even when the publisher
    // dropped them, but never appear twice.
    for (const char* placed : {"RBN", "LOCAL"}) {
        if (favourite && favourite->callsign == placed) continue;
        if (NodeEntry* node = findNode(installed, placed)) write_placed(out, node, &written);
    }
    written += writeNodeSet(out, *installed);
    std::fprintf(out, "VERSION,%s\r\n", version.data());
    return written;
}

}  // namespace

void mergeNodes(const NodeSet& downloaded, NodeSet* installed, NodeCounts* counts)
{
    // Added nodes wait beside the set: lookups only ever look for callsigns the set
    // held before, since the downloaded ones are unique.
    NodeSet added;
    for (const NodeEntry& n : downloaded.nodes) {
        if (NodeEntry* u = findNode(installed, n.callsign)) {
            merge_one(n, u, counts);
            continue;
        }
        added.nodes.push_back(NodeEntry{n.callsign, n.link, n.address, n.extra, kAddedNodeOrdinal, 1});
        counts->added += 1;
        debug_node_line("DEBUG:\t        NEW: %s>%s:%s%s", n.callsign.c_str(), text_or_empty(n.link), n.address.c_str(),
                        extra_part(n.extra).c_str());
    }
    std::vector<NodeEntry> none;
    for (NodeEntry& node : added.nodes) installed->nodes.push_back(std::move(node));
    sort_nodes(installed, &none);
}

void markDeletedNodes(NodeSet* installed, const NodeSet& downloaded, NodeCounts* counts)
{
    for (NodeEntry& x : installed->nodes) {
        if (findNode(downloaded, x.callsign) || x.ordinal == 0 || is_local_node(x)) continue;
        x.pending = 0;
        counts->deleted += 1;
        debug_node_line("DEBUG:\t        DELETED: %s>%s,%s%s", x.callsign.c_str(), text_or_empty(x.link),
                        x.address.c_str(), extra_part(x.extra).c_str());
    }
}

int mergeNodeList(AppWindow* owner, const DataSource& source)
{
    const char* target = source.targetPath.c_str();
    const char* download = source.downloadPath.c_str();

    if (!fileExists(target)) {
        // Nothing to merge into: the download becomes the user's list as it is,
        // through the writer, so a killed copy never leaves a list cut mid-line. A
        // failed copy installed nothing, so it must not count as an update.
        if (atomic_copy(download, target)) return 1;
        uint32_t code = g_platform.last_error();
        report_error(owner,
                     format_bounded(kMessageSize, "Can't copy %s to %s\nError Code = %d", download, target, int(code)),
                     "CopyFile");
        return 0;
    }

    NodeVersion version{};
    NodeSet installed = read_tcp(owner, target, &version);
    if (installed.nodes.empty()) {
        report_no_nodes(owner, source.targetPath);
        return 0;
    }
    NodeSet published = read_tcp(owner, download, &version);
    if (published.nodes.empty()) {
        report_no_nodes(owner, source.downloadPath);
        return 0;
    }

    NodeCounts counts;
    mergeNodes(published, &installed, &counts);
    markDeletedNodes(&installed, published, &counts);
    debug_printf("DEBUG:\t    TCP nodes matched: %3d\n", int(counts.matched));
    debug_printf("DEBUG:\t    TCP nodes added:   %3d\n", int(counts.added));
    debug_printf("DEBUG:\t    TCP nodes deleted: %3d\n", int(counts.deleted));
    debug_printf("DEBUG:\t    TCP nodes changed: %3d\n", int(counts.changed));

    // Until the new list is whole the old one stays in place: a half-written list would
    // lose the user's nodes.
    int written = 0;
    if (!atomic_write_reported(owner, source.targetPath,
                               [&](FILE* out) { written = write_merged(owner, out, &installed, version); }))
        return 0;
    if (written != 0) debug_printf("DEBUG:\t    Wrote %0d telnet nodes to %s\n", written, target);
    // A list rewritten without a node line is still installed: never 0 for success.
    return written != 0 ? written : 1;
}

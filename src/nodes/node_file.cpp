#include "nodes/node_file.h"

#include <algorithm>
#include <cerrno>
#include <string_view>

#include "base/log.h"
#include "base/log_limit.h"
#include "base/outside_text.h"
#include "base/report.h"
#include "platform/platform.h"

namespace {

// The whole file, or false when reading failed part-way: a merge must never work
// from half a node list, or it would drop the nodes it did not see.
bool read_all(FILE* file, std::string* out)
{
    char chunk[8192];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) out->append(chunk, n);
    return std::ferror(file) == 0;
}

struct NodeFields {
    std::string_view callsign;
    std::optional<std::string_view> link;
    std::string_view address;
    std::optional<std::string_view> extra;
};

// The separators are each searched over the whole line and may stand in any order;
// a field runs from its separator to whichever separator comes next.
NodeFields cut_fields(std::string_view line)
{
    const size_t none = std::string_view::npos;
    const size_t gt = line.find('>');
    const size_t comma = line.find(',');
    const size_t bar = line.find('|');
    auto field_after = [&](size_t at) {
        size_t end = line.size();
        for (size_t other : {gt, comma, bar})
            if (other != none && other > at) end = std::min(end, other);
        return line.substr(at + 1, end - at - 1);
    };
    NodeFields f;
    f.callsign = line.substr(0, std::min({gt, comma, bar, line.size()}));
    if (gt != none) f.link = field_after(gt);
    f.address = field_after(comma);
    if (bar != none) f.extra = field_after(bar);
    return f;
}

std::optional<std::string> own(const std::optional<std::string_view>& text)
{
    if (!text) return std::nullopt;
    return std::string(*text);
}

void set_version(NodeVersion* version, std::string_view text)
{
    size_t n = std::min(text.size(), version->size() - 1);
    std::copy_n(text.begin(), n, version->begin());
    std::fill(version->begin() + n, version->end(), '\0');
}

const char* text_or_empty(const std::optional<std::string>& text) { return text ? text->c_str() : ""; }

// Only the first few of a kind get a box: a hostile list must not bury the user in
// them; the log keeps its own limit.
void report_duplicate(AppWindow* owner, const NodeEntry& node, bool boxed)
{
    const std::string callsign = shown_text(node.callsign), link = shown_text(text_or_empty(node.link)),
                      address = shown_text(node.address);
    std::string text = node.extra
                           ? format_bounded(kMessageSize, "Duplicate node callsign: %s>%s:%s|%s", callsign.c_str(),
                                            link.c_str(), address.c_str(), shown_text(*node.extra).c_str())
                           : format_bounded(kMessageSize, "Duplicate node callsign: %s>%s:%s", callsign.c_str(),
                                            link.c_str(), address.c_str());
    if (boxed) report_message(owner, text.c_str(), "Duplicate node", kMbIconError);
    else report_logged(text.c_str(), "Duplicate node", kMbIconError);
}

// A line the reader refused, kept until the duplicates are known so that the log
// tells both in the order of the file.
struct RejectedLine {
    uint32_t before_ordinal = 0;  // the ordinal the next node line gets
    std::string text;
};

bool put(FILE* stream, const std::string& text)
{
    return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
}

}  // namespace

NodeLineKind node_line_kind(std::string_view line)
{
    if (line.empty()) return NodeLineKind::Empty;
    if (line.find("http://") != std::string_view::npos || line.find(',') == std::string_view::npos)
        return NodeLineKind::Refused;
    return cut_fields(line).callsign == "VERSION" ? NodeLineKind::Version : NodeLineKind::Node;
}

NodeSet read_tcp(AppWindow* owner, const char* path, NodeVersion* version)
{
    FILE* file = g_platform.open_file(path, "rb");
    if (!file) {
        report_open_error(owner, path, errno_of_error(g_platform.last_error()));
        return {};
    }
    std::string bytes;
    bool complete = read_all(file, &bytes);
    int read_errno = errno;
    std::fclose(file);
    if (!complete) {
        report_open_error(owner, path, read_errno ? read_errno : EIO);
        return {};
    }

    NodeSet set;
    std::vector<RejectedLine> rejected;
    LogLimit rejected_limit;
    uint32_t counter = 0;
    for_each_node_line(bytes, [&](std::string_view line) {
        switch (node_line_kind(line)) {
        case NodeLineKind::Empty: return;
        case NodeLineKind::Refused:
            if (log_limit_take(&rejected_limit)) rejected.push_back({counter, std::string(line)});
            return;
        case NodeLineKind::Version: set_version(version, cut_fields(line).address); return;
        case NodeLineKind::Node: {
            const NodeFields f = cut_fields(line);
            set.nodes.push_back(
                NodeEntry{std::string(f.callsign), own(f.link), std::string(f.address), own(f.extra), counter, 1});
            ++counter;
        }
        }
    });

    std::vector<NodeEntry> duplicates;
    sort_nodes(&set, &duplicates);
    LogLimit duplicate_limit;
    size_t next_duplicate = 0;
    auto report_duplicates_before = [&](uint32_t ordinal) {
        for (; next_duplicate < duplicates.size() && duplicates[next_duplicate].ordinal < ordinal; ++next_duplicate)
            if (log_limit_take(&duplicate_limit))
                report_duplicate(owner, duplicates[next_duplicate], log_limit_boxed(duplicate_limit));
    };
    for (const RejectedLine& line : rejected) {
        report_duplicates_before(line.before_ordinal);
        log_printf("read_tcp() -- Something wrong with: %s\n", shown_text(line.text).c_str());
    }
    report_duplicates_before(counter);
    if (int rest = log_limit_rest(rejected_limit))
        log_printf("read_tcp() -- Something wrong with %d more lines\n", rest);
    if (int rest = log_limit_rest(duplicate_limit)) log_printf("ERROR:\t%d more duplicate node callsigns\n", rest);
    debug_printf("DEBUG:\t    Read %0d telnet nodes from %s\n", int(counter), path);
    return set;
}

int writeNodeLine(FILE* stream, const NodeEntry& entry)
{
    std::string line = entry.callsign;
    if (entry.link) line += ">" + *entry.link;
    line += "," + entry.address;
    if (entry.extra) line += "|" + *entry.extra;
    line += "\r\n";
    return put(stream, line) ? 1 : 0;
}

int writeNodeSet(FILE* stream, const NodeSet& set)
{
    int written = 0;
    for (const NodeEntry& node : set.nodes)
        if (node.pending) written += writeNodeLine(stream, node);
    return written;
}

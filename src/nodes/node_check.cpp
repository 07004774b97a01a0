#include "nodes/node_check.h"

#include <cstdio>
#include <string_view>

#include "files/content_checks.h"
#include "nodes/node_file.h"
#include "platform/platform.h"

bool check_node_list(const char* path, std::string* why)
{
    FILE* file = g_platform.open_file(path, "rb");
    if (!file) {
        *why = "it cannot be read";
        return false;
    }
    std::string bytes;
    char chunk[8192];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) bytes.append(chunk, n);
    const bool read = std::ferror(file) == 0;
    std::fclose(file);

    MarkupScan markup;
    markup_scan(&markup, bytes);
    bool found = false;
    if (read)
        for_each_node_line(bytes,
                           [&](std::string_view line) { found = found || node_line_kind(line) == NodeLineKind::Node; });
    if (!read) *why = "it cannot be read";
    else if (markup.found) *why = "it holds markup, not a node list";
    else if (!found) *why = "it holds no node line";
    else return true;
    return false;
}

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
    for (size_t pos = 0; read && pos < bytes.size();) {
        // In the pieces read_tcp takes: up to its line feed, or kNodeLinePiece bytes.
        std::string_view line(bytes.data() + pos, std::min(bytes.size() - pos, kNodeLinePiece));
        if (size_t lf = line.find('\n'); lf != std::string_view::npos) line = line.substr(0, lf + 1);
        pos += line.size();
        line = line.substr(0, line.find_first_of("\r\n"));
        const size_t comma = line.find(',');
        found = found || (comma != std::string_view::npos && line.find("http://") == std::string_view::npos &&
                          line.substr(0, line.find_first_of(">,|")) != "VERSION");
    }
    if (!read) *why = "it cannot be read";
    else if (markup.found) *why = "it holds markup, not a node list";
    else if (!found) *why = "it holds no node line";
    else return true;
    return false;
}

#include "nodes/node_test_files.h"

#include "nodes/node_file.h"

std::string crlf_lines(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& line : lines) out += line + "\r\n";
    return out;
}

std::string written_set(const NodeEntry* set)
{
    FILE* stream = std::tmpfile();
    if (!stream) return "<no tmpfile>";
    (void)writeNodeSet(stream, set);
    std::string bytes;
    std::rewind(stream);
    int c;
    while ((c = std::fgetc(stream)) != EOF) bytes += char(c);
    std::fclose(stream);
    return bytes;
}

namespace {

void walk(const NodeEntry* set, std::vector<const NodeEntry*>* out)
{
    if (!set) return;
    walk(set->left.get(), out);
    out->push_back(set);
    walk(set->right.get(), out);
}

}  // namespace

std::vector<const NodeEntry*> in_order(const NodeEntry* set)
{
    std::vector<const NodeEntry*> out;
    walk(set, &out);
    return out;
}

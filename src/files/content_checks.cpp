#include "files/content_checks.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "platform/platform.h"

namespace {

constexpr size_t kHeadSize = 65536;

char lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

bool is_name_char(char c)
{
    c = lower(c);
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == ':' || c == '.';
}

// The text as single bytes: a UTF-16 text's code units above 0x7F become 0x80, which
// no markup name holds, so only its ASCII shape is left to look at.
std::string narrowed(std::string_view head)
{
    const bool le = head.starts_with("\xFF\xFE"), be = head.starts_with("\xFE\xFF");
    if (!le && !be) return std::string(head.starts_with("\xEF\xBB\xBF") ? head.substr(3) : head);
    std::string out;
    for (size_t i = 2; i + 1 < head.size(); i += 2) {
        const unsigned char low = le ? head[i] : head[i + 1], high = le ? head[i + 1] : head[i];
        out += high == 0 && low < 0x80 ? char(low) : '\x80';
    }
    return out;
}

bool starts_with_folded(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) { return a == lower(b); });
}

}  // namespace

std::string first_element(std::string_view head)
{
    const std::string text = narrowed(head);
    std::string_view rest = text;
    bool doctype_html = false;
    for (;;) {
        while (!rest.empty() && is_blank(rest.front())) rest.remove_prefix(1);
        std::string_view end_mark;
        if (rest.starts_with("<?")) end_mark = "?>";
        else if (rest.starts_with("<!--")) end_mark = "-->";
        else if (starts_with_folded(rest, "<!doctype")) {
            std::string_view name = rest.substr(9);
            while (!name.empty() && is_blank(name.front())) name.remove_prefix(1);
            doctype_html = starts_with_folded(name, "html") && (name.size() == 4 || !is_name_char(name[4]));
            end_mark = ">";
        } else break;
        const size_t end = rest.find(end_mark, 2);
        if (end == std::string_view::npos) return doctype_html ? "html" : "";
        rest.remove_prefix(end + end_mark.size());
    }
    std::string name;
    if (rest.starts_with('<'))
        for (size_t i = 1; i < rest.size() && is_name_char(rest[i]); ++i) name += lower(rest[i]);
    return doctype_html ? "html" : name;
}

bool is_web_page(std::string_view head)
{
    static constexpr std::array<std::string_view, 10> kPageElements = {
        "html", "head", "body", "title", "meta", "script", "frameset", "noscript", "link", "style"};
    const std::string name = first_element(head);
    return std::ranges::find(kPageElements, name) != kPageElements.end();
}

bool is_markup_line(std::string_view line)
{
    const size_t first = line.find_first_not_of(" \t\r\n\f\v");
    return first != std::string_view::npos && line[first] == '<';
}

void markup_scan(MarkupScan* scan, std::string_view block)
{
    // A byte-order mark opening the text counts as blank.
    if (scan->offset == 0 && block.starts_with("\xEF\xBB\xBF")) {
        scan->offset = 3;
        block.remove_prefix(3);
    }
    scan->offset += block.size();
    for (char c : block) {
        if (c == '\n') scan->line_blank = true;
        else if (scan->line_blank && !is_blank(c)) {
            scan->found = scan->found || c == '<';
            scan->line_blank = false;
        }
    }
}

std::string file_head(const char* path)
{
    std::string head(kHeadSize, '\0');
    FILE* file = g_platform.open_file(path, "rb");
    if (!file) return {};
    head.resize(std::fread(head.data(), 1, head.size(), file));
    std::fclose(file);
    return head;
}

bool check_not_web_page(const char* path, std::string* why)
{
    if (!is_web_page(file_head(path))) return true;
    *why = "it is a web page";
    return false;
}

bool check_xml_list(const char* path, std::string* why)
{
    const std::string head = file_head(path);
    if (is_web_page(head)) *why = "it is a web page";
    else if (first_element(head).empty()) *why = "it is not an XML file";
    else return true;
    return false;
}

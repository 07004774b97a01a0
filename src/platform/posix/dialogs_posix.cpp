// Message boxes: the graphical box when a display can be opened; without one a
// prompt on the terminal when there is one, otherwise the safe answer at once.
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>
#include <unistd.h>

#include "platform/posix/fltk_thread.h"
#include "platform/posix/platform_posix.h"

namespace {

struct Button {
    char key;
    const char* label;
    int id;
};

// The buttons of a style, in the order the platform shows them.
std::vector<Button> buttons_of(unsigned style)
{
    switch (style & 0xF) {
    case 1: return {{'O', "[O]K", kIdOk}, {'C', "[C]ancel", kIdCancel}};
    case 3: return {{'Y', "[Y]es", kIdYes}, {'N', "[N]o", kIdNo}, {'C', "[C]ancel", kIdCancel}};
    case 4: return {{'Y', "[Y]es", kIdYes}, {'N', "[N]o", kIdNo}};
    default: return {{'O', "[O]K", kIdOk}};
    }
}

int safe_answer(unsigned style)
{
    unsigned kind = style & 0xF;
    if (kind == 3 || kind == 4) return kIdNo;
    return kIdOk;
}

}  // namespace

int prompt_message_box(FILE* in, FILE* out, const char* text, const char* title, unsigned style)
{
    const std::vector<Button> buttons = buttons_of(style);
    std::fprintf(out, "\n== %s ==\n%s\n", title, text);
    for (;;) {
        for (size_t i = 0; i < buttons.size(); ++i) std::fprintf(out, "%s%s", i ? " / " : "", buttons[i].label);
        std::fprintf(out, " (Enter: %s)? ", buttons[0].label);
        std::fflush(out);
        char line[256];
        if (!std::fgets(line, sizeof line, in)) {
            std::fprintf(out, "\n");
            return safe_answer(style);
        }
        char first = line[0];
        if (first == '\n' || first == '\r' || first == '\0') return buttons[0].id;
        char key = char(std::toupper(static_cast<unsigned char>(first)));
        for (const Button& b : buttons)
            if (b.key == key) return b.id;
    }
}

int posix_message_box(const char* text, const char* title, unsigned style)
{
    if (fltk_open_display()) return fltk_message_box(text, title, style);
    if (::isatty(STDIN_FILENO)) return prompt_message_box(stdin, stderr, text, title, style);
    return safe_answer(style);
}

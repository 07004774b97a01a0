// Message boxes: the graphical box when a display can be opened; without one a
// report goes to standard error, and a question is asked on the terminal when there
// is one, otherwise takes the safe answer at once. And the console: standard error's
// terminal, the usage text.
#include <cctype>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/posix/fltk_thread.h"
#include "platform/posix/platform_posix.h"

namespace {

// "[Y]es": the letter that answers with the button.
std::string prompt_label(int id)
{
    const std::string label = message_box_label(id);
    return "[" + label.substr(0, 1) + "]" + label.substr(1);
}

}  // namespace

int prompt_message_box(FILE* in, FILE* out, const char* text, const char* title, unsigned style)
{
    const std::vector<int> buttons = message_box_buttons(style);
    std::fprintf(out, "\n== %s ==\n%s\n", title, text);
    for (;;) {
        for (size_t i = 0; i < buttons.size(); ++i)
            std::fprintf(out, "%s%s", i ? " / " : "", prompt_label(buttons[i]).c_str());
        std::fprintf(out, " (Enter: %s)? ", prompt_label(buttons[0]).c_str());
        std::fflush(out);
        char line[256];
        if (!std::fgets(line, sizeof line, in)) {
            std::fprintf(out, "\n");
            return message_box_safe_answer(style);
        }
        char first = line[0];
        if (first == '\n' || first == '\r' || first == '\0') return buttons[0];
        char key = char(std::toupper(static_cast<unsigned char>(first)));
        for (const int id : buttons)
            if (message_box_label(id)[0] == key) return id;
    }
}

int posix_message_box(const char* text, const char* title, unsigned style)
{
    if (fltk_open_display()) return fltk_message_box(text, title, style);
    // Without a window a report that only informs is said on standard error, where a
    // person or a scheduler's mail sees it, and the program goes on at once; only a
    // question waits for an answer.
    if ((style & 0xF) == kMbOk) {
        std::fprintf(stderr, "%s\n", one_line_report(title, text).c_str());
        return kIdOk;
    }
    if (::isatty(STDIN_FILENO)) return prompt_message_box(stdin, stderr, text, title, style);
    return message_box_safe_answer(style);
}

int posix_stderr_is_terminal() { return ::isatty(STDERR_FILENO) ? 1 : 0; }

void posix_show_usage(const char* text)
{
    std::fputs(text, stdout);
    std::fflush(stdout);
}

#include "platform/posix/platform_posix.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>

namespace {

// Answers the prompt with `input` and returns the button and what was shown.
int prompt(const std::string& input, unsigned style, std::string* shown)
{
    FILE* in = fmemopen(const_cast<char*>(input.data()), input.size(), "r");
    if (input.empty()) in = std::fopen("/dev/null", "r");
    char* out_buffer = nullptr;
    size_t out_size = 0;
    FILE* out = open_memstream(&out_buffer, &out_size);
    int answer = prompt_message_box(in, out, "Do it?", "Question", style);
    std::fclose(in);
    std::fclose(out);
    *shown = std::string(out_buffer, out_size);
    std::free(out_buffer);
    return answer;
}

TEST(TerminalPrompt, FirstLetterNamesTheButtonEnterTakesTheFirstEndOfInputIsSafe)
{
    // clang-format off
    const struct { const char* input; unsigned style; int answer; } rows[] = {
        {"y\n", kMbYesNoCancel, kIdYes}, {"No thanks\n", kMbYesNoCancel, kIdNo}, {"c\n", kMbYesNoCancel, kIdCancel},
        {"o\n", kMbOk, kIdOk}, {"\n", kMbYesNoCancel, kIdYes}, {"", kMbYesNoCancel, kIdNo}, {"", kMbYesNo, kIdNo},
        {"", kMbOk | kMbIconError, kIdOk},
    };
    // clang-format on
    std::string shown;
    for (const auto& row : rows) EXPECT_EQ(prompt(row.input, row.style, &shown), row.answer) << row.input;
    // Another letter asks again; C is not a button of Yes/No.
    EXPECT_EQ(prompt("x\nc\n", kMbYesNo, &shown), kIdNo);
    EXPECT_EQ(shown, "\n== Question ==\nDo it?\n[Y]es / [N]o (Enter: [Y]es)? [Y]es / [N]o (Enter: [Y]es)? "
                     "[Y]es / [N]o (Enter: [Y]es)? \n");
}

}  // namespace

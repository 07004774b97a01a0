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

TEST(TerminalPrompt, FirstLetterNamesTheButtonInEitherCase)
{
    std::string shown;
    EXPECT_EQ(prompt("y\n", kMbYesNoCancel, &shown), kIdYes);
    EXPECT_EQ(prompt("No thanks\n", kMbYesNoCancel, &shown), kIdNo);
    EXPECT_EQ(prompt("c\n", kMbYesNoCancel, &shown), kIdCancel);
    EXPECT_EQ(prompt("o\n", kMbOk, &shown), kIdOk);
    EXPECT_EQ(shown, "\n== Question ==\nDo it?\n[O]K (Enter: [O]K)? ");
}

TEST(TerminalPrompt, EnterTakesTheFirstButtonAndOthersAskAgain)
{
    std::string shown;
    EXPECT_EQ(prompt("\n", kMbYesNoCancel, &shown), kIdYes);
    EXPECT_EQ(prompt("x\nc\n", kMbYesNo, &shown), kIdNo);  // C is not a button of Yes/No
    EXPECT_EQ(shown,
              "\n== Question ==\nDo it?\n[Y]es / [N]o (Enter: [Y]es)? [Y]es / [N]o (Enter: [Y]es)? "
              "[Y]es / [N]o (Enter: [Y]es)? \n");
}

TEST(TerminalPrompt, EndOfInputGivesTheSafeAnswer)
{
    std::string shown;
    EXPECT_EQ(prompt("", kMbYesNoCancel, &shown), kIdNo);
    EXPECT_EQ(prompt("", kMbYesNo, &shown), kIdNo);
    EXPECT_EQ(prompt("", kMbOk | kMbIconError, &shown), kIdOk);
}

}  // namespace

// The FLTK toolkit on a private X server: calls from another thread are carried to
// the window thread, and the message box answers from the keyboard.
#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "platform/posix/platform_posix.h"
#include "support/xvfb_session.h"

namespace {

class FltkToolkitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!window_tools_installed()) GTEST_SKIP() << "Xvfb or xdotool missing";
        static XvfbSession server;  // one for the whole process: FLTK keeps its display connection
        x = &server;
        ASSERT_FALSE(x->display.empty());
        ::setenv("DISPLAY", x->display.c_str(), 1);
        tk = fltk_toolkit();
        if (!tk.open_display()) GTEST_SKIP() << "this process tried the display before, without one";
    }

    // A person presses `key` in the box titled `title` once it shows.
    std::thread press_in(const char* title, const char* key)
    {
        return std::thread([=, this] {
            on_display(*x, std::string("timeout 10 xdotool search --sync --onlyvisible --name '^") + title +
                               "$' windowfocus --sync key " + key + " 2>/dev/null");
        });
    }

    const XvfbSession* x = nullptr;
    Toolkit tk{};
};

ControlSpec spec_of(int id, ControlKind kind, Rect rect)
{
    ControlSpec def;
    def.id = id;
    def.kind = kind;
    def.rect = rect;
    return def;
}

}  // namespace

TEST_F(FltkToolkitTest, RunThreadCallsAreCarriedToTheWindowThread)
{
    WindowSpec def;
    def.title = "toolkit test";
    def.width = 320;
    def.height = 240;
    Window* w = tk.create_window(def, WindowEvents{});
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(tk.add_control(w, spec_of(1101, ControlKind::StatusList, {10, 40, 300, 190})));
    ASSERT_TRUE(tk.add_control(w, spec_of(1100, ControlKind::ProgressBar, {10, 10, 300, 17})));
    ASSERT_TRUE(tk.add_control(w, spec_of(1404, ControlKind::CheckBox, {10, 20, 100, 20})));
    tk.show_window(w);

    std::atomic<int> seen{-1};
    std::atomic<int> checked{-1};
    std::thread worker([&] {
        for (int i = 0; i < 200; ++i) {
            tk.list_insert(w, 1101, ("line " + std::to_string(i)).c_str(), -1);
            tk.set_progress(w, 1100, i / 2);
        }
        tk.list_insert(w, 1101, "@first, shown as it is", 0);
        tk.list_delete(w, 1101, 1);
        tk.set_check(w, 1404, 1);
        checked = tk.is_checked(w, 1404);
        seen = tk.list_count(w, 1101);
        tk.quit(7);
    });
    EXPECT_EQ(tk.run_loop(), 7);
    worker.join();
    EXPECT_EQ(seen, 200);
    EXPECT_EQ(checked, 1);
    tk.destroy_window(w);
}

TEST_F(FltkToolkitTest, MessageBoxesAnswerFromTheKeyboardAlsoFromTheRunThread)
{
    std::thread person = press_in("Question one", "n");
    EXPECT_EQ(fltk_message_box("Go on?", "Question one", kMbYesNo | kMbIconQuestion), kIdNo);
    person.join();

    // A box asked for by another thread is shown by the window thread's loop.
    std::atomic<int> answer{0};
    std::thread run([&] {
        answer = fltk_message_box("Keep it?", "Question two", kMbYesNoCancel | kMbIconWarning);
        tk.quit(0);
    });
    person = press_in("Question two", "y");
    EXPECT_EQ(tk.run_loop(), 0);
    run.join();
    person.join();
    EXPECT_EQ(answer, kIdYes);
}

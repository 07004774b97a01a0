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

// One server for the whole test process: FLTK keeps its display connection.
const XvfbSession* shared_server()
{
    static XvfbSession server;
    return &server;
}

class FltkToolkitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!window_tools_installed()) GTEST_SKIP() << "Xvfb or xdotool missing";
        x = shared_server();
        ASSERT_FALSE(x->display.empty());
        ::setenv("DISPLAY", x->display.c_str(), 1);
        tk = fltk_toolkit();
        if (!tk.open_display()) GTEST_SKIP() << "this process tried the display before, without one";
    }

    const XvfbSession* x = nullptr;
    Toolkit tk{};
};

ControlSpec spec_of(int id, ControlKind kind, Rect rect, const char* text = "")
{
    ControlSpec def;
    def.id = id;
    def.kind = kind;
    def.rect = rect;
    def.text = text;
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
    ASSERT_TRUE(tk.add_control(w, spec_of(1404, ControlKind::CheckBox, {10, 20, 100, 20}, "box")));
    EXPECT_FALSE(tk.add_control(w, spec_of(1404, ControlKind::CheckBox, {0, 0, 1, 1})));
    tk.move_window(w, 100, 50);
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
    EXPECT_EQ(tk.list_count(w, 1101), 200);
    Rect r;
    ASSERT_TRUE(tk.control_rect(w, 1101, &r));
    EXPECT_EQ(r.x, 110);
    EXPECT_EQ(r.y, 90);
    EXPECT_FALSE(tk.control_rect(w, 999, &r));
    tk.destroy_window(w);
}

TEST_F(FltkToolkitTest, MessageBoxesAnswerFromTheKeyboardAlsoFromTheRunThread)
{
    // A person presses N in the box the window thread shows.
    std::thread person([&] {
        on_display(*x, "timeout 10 xdotool search --sync --onlyvisible --name '^Question one$' windowfocus --sync key n 2>/dev/null");
    });
    EXPECT_EQ(fltk_message_box("Go on?", "Question one", kMbYesNo | kMbIconQuestion), kIdNo);
    person.join();

    // A box asked for by another thread is shown by the window thread's loop.
    std::atomic<int> answer{0};
    std::thread run([&] {
        answer = fltk_message_box("Keep it?", "Question two", kMbYesNoCancel | kMbIconWarning);
        tk.quit(0);
    });
    std::thread person2([&] {
        on_display(*x, "timeout 10 xdotool search --sync --onlyvisible --name '^Question two$' windowfocus --sync key y 2>/dev/null");
    });
    EXPECT_EQ(tk.run_loop(), 0);
    run.join();
    person2.join();
    EXPECT_EQ(answer, kIdYes);
}

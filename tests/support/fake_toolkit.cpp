#include "support/fake_toolkit.h"

#include <cctype>

namespace {

FakeToolkit* g_fake = nullptr;

AppWindow* create_window(const WindowSpec& def, const WindowEvents& events)
{
    if (g_fake->fail_create) {
        g_fake->fail_create = 0;
        return nullptr;
    }
    g_fake->windows.push_back(std::make_unique<FakeWindow>());
    g_fake->windows.back()->events = events;
    g_fake->windows.back()->rect = {0, 0, def.width, def.height};
    return reinterpret_cast<AppWindow*>(g_fake->windows.back().get());
}

int add_control(AppWindow* window, const ControlSpec& def)
{
    auto& controls = fake_window(window)->controls;
    if (controls.count(def.id)) return 0;
    controls[def.id].kind = def.kind;
    controls[def.id].text = def.text;
    return 1;
}

void list_insert(AppWindow* window, int id, const char* text, int index)
{
    std::vector<std::string>& lines = fake_control(window, id)->lines;
    lines.insert(index < 0 || index >= int(lines.size()) ? lines.end() : lines.begin() + index, text);
}

FakeControl* accepting(AppWindow* window, int id)
{
    FakeControl* c = fake_control(window, id);
    return c && c->enabled && fake_window(window)->enabled && !fake_window(window)->destroyed ? c : nullptr;
}

void send_command(AppWindow* window, int id, int notification)
{
    const WindowEvents& e = fake_window(window)->events;
    if (e.command) e.command(e.context, window, id, notification);
}

}  // namespace

void install_fake_toolkit(FakeToolkit* fake)
{
    g_fake = fake;
    Toolkit& t = g_platform.toolkit;
    t.create_window = create_window;
    t.destroy_window = [](AppWindow* w) { fake_window(w)->destroyed = 1; };
    t.show_window = [](AppWindow* w) { fake_window(w)->shown = 1; };
    t.window_rect = [](AppWindow* w, Rect* out) { *out = fake_window(w)->rect; };
    t.move_window = [](AppWindow* w, int x, int y) {
        fake_window(w)->rect.x = x;
        fake_window(w)->rect.y = y;
    };
    t.client_size = [](AppWindow* w, int* width, int* height) {
        *width = fake_window(w)->rect.w;
        *height = fake_window(w)->rect.h;
    };
    t.screen_size = [](int* width, int* height) {
        *width = 1024;
        *height = 768;
    };
    t.add_control = add_control;
    t.enable_control = [](AppWindow* w, int id, int on) { fake_control(w, id)->enabled = on ? 1 : 0; };
    t.set_check = [](AppWindow* w, int id, int on) { fake_control(w, id)->checked = on ? 1 : 0; };
    t.is_checked = [](AppWindow* w, int id) { return fake_control(w, id) ? fake_control(w, id)->checked : 0; };
    t.get_text = [](AppWindow* w, int id) { return fake_control(w, id)->text; };
    t.set_text = [](AppWindow* w, int id, const char* text) { fake_control(w, id)->text = text; };
    t.list_insert = list_insert;
    t.list_reset = [](AppWindow* w, int id) { fake_control(w, id)->lines.clear(); };
    t.set_progress = [](AppWindow* w, int id, int percent) { fake_control(w, id)->progress = percent; };
    t.wake = [] { ++g_fake->wakes; };
    t.quit = [](int code) { g_fake->quit_code = code; };
    t.enable_window = [](AppWindow* w, int on) { fake_window(w)->enabled = on ? 1 : 0; };
}

FakeControl* fake_control(AppWindow* window, int id)
{
    auto& controls = fake_window(window)->controls;
    auto found = controls.find(id);
    return found == controls.end() ? nullptr : &found->second;
}

void click(AppWindow* window, int id)
{
    FakeControl* c = accepting(window, id);
    if (!c) return;
    if (c->kind == ControlKind::AutoCheckBox) c->checked = !c->checked;
    send_command(window, id, kNotifyClicked);
}

void type_text(AppWindow* window, int id, const std::string& text)
{
    FakeControl* c = accepting(window, id);
    for (char ch : text)
        if (c && c->kind == ControlKind::CharEdit && ch >= 0x20 && ch <= 0x7E && c->text.empty())
            c->text = std::string(1, char(std::toupper(static_cast<unsigned char>(ch))));
}

void leave_field(AppWindow* window, int id) { send_command(window, id, kNotifyKillFocus); }

void press_close_box(AppWindow* window)
{
    FakeWindow* w = fake_window(window);
    if (w->enabled && w->events.close) w->events.close(w->events.context, window);
}

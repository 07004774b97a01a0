#include "support/fake_toolkit.h"

#include <cctype>

namespace {

FakeToolkit* g_fake = nullptr;

FakeWindow* as_fake(Window* window)
{
    return reinterpret_cast<FakeWindow*>(window);
}

Window* create_window(const WindowSpec& def, const WindowEvents& events)
{
    if (g_fake->fail_create) {
        g_fake->fail_create = 0;
        return nullptr;
    }
    auto window = std::make_unique<FakeWindow>();
    window->def = def;
    window->title = def.title;
    window->def.title = window->title.c_str();
    window->events = events;
    window->rect = {0, 0, def.width, def.height};
    g_fake->windows.push_back(std::move(window));
    return reinterpret_cast<Window*>(g_fake->windows.back().get());
}

int add_control(Window* window, const ControlSpec& def)
{
    FakeWindow* w = as_fake(window);
    if (w->controls.count(def.id)) return 0;
    FakeControl control;
    control.def = def;
    control.text = def.text;
    control.def.text = "";
    w->controls[def.id] = control;
    return 1;
}

void list_insert(Window* window, int id, const char* text, int index)
{
    FakeControl* c = fake_control(window, id);
    if (!c) return;
    if (index < 0 || index >= int(c->lines.size())) c->lines.push_back(text);
    else c->lines.insert(c->lines.begin() + index, text);
}

void list_delete(Window* window, int id, int index)
{
    FakeControl* c = fake_control(window, id);
    if (c && index >= 0 && index < int(c->lines.size())) c->lines.erase(c->lines.begin() + index);
}

bool accepts_input(Window* window, FakeControl* c)
{
    return c && c->enabled && as_fake(window)->enabled && !as_fake(window)->destroyed;
}

void send_command(Window* window, int id, int notification)
{
    FakeWindow* w = as_fake(window);
    if (w->events.command) w->events.command(w->events.context, window, id, notification);
}

}  // namespace

void install_fake_toolkit(FakeToolkit* fake)
{
    g_fake = fake;
    Toolkit& t = g_platform.toolkit;
    t.create_window = create_window;
    t.destroy_window = [](Window* w) { as_fake(w)->destroyed = 1; };
    t.show_window = [](Window* w) { as_fake(w)->shown = 1; };
    t.window_rect = [](Window* w, Rect* out) { *out = as_fake(w)->rect; };
    t.move_window = [](Window* w, int x, int y) { as_fake(w)->rect.x = x; as_fake(w)->rect.y = y; };
    t.client_size = [](Window* w, int* width, int* height) { *width = as_fake(w)->rect.w; *height = as_fake(w)->rect.h; };
    t.screen_size = [](int* width, int* height) { *width = 1024; *height = 768; };
    t.add_control = add_control;
    t.enable_control = [](Window* w, int id, int on) { fake_control(w, id)->enabled = on ? 1 : 0; };
    t.set_check = [](Window* w, int id, int on) { fake_control(w, id)->checked = on ? 1 : 0; };
    t.is_checked = [](Window* w, int id) { return fake_control(w, id) ? fake_control(w, id)->checked : 0; };
    t.get_text = [](Window* w, int id) { return fake_control(w, id)->text; };
    t.set_text = [](Window* w, int id, const char* text) { fake_control(w, id)->text = text; };
    t.list_insert = list_insert;
    t.list_count = [](Window* w, int id) { return int(fake_control(w, id)->lines.size()); };
    t.list_delete = list_delete;
    t.list_reset = [](Window* w, int id) { fake_control(w, id)->lines.clear(); };
    t.set_progress = [](Window* w, int id, int percent) { fake_control(w, id)->progress = percent; };
    t.wake = [] { ++g_fake->wakes; };
    t.quit = [](int code) { g_fake->quit_code = code; };
    g_platform.enable_window = [](Window* w, int on) { as_fake(w)->enabled = on ? 1 : 0; };
}

FakeControl* fake_control(Window* window, int id)
{
    auto& controls = as_fake(window)->controls;
    auto found = controls.find(id);
    return found == controls.end() ? nullptr : &found->second;
}

void click(Window* window, int id)
{
    FakeControl* c = fake_control(window, id);
    if (!accepts_input(window, c)) return;
    if (c->def.kind == ControlKind::AutoCheckBox) c->checked = !c->checked;
    send_command(window, id, kNotifyClicked);
}

void type_text(Window* window, int id, const std::string& text)
{
    FakeControl* c = fake_control(window, id);
    if (!accepts_input(window, c) || c->def.kind != ControlKind::CharEdit) return;
    for (char ch : text) {
        const unsigned char u = static_cast<unsigned char>(ch);
        if (u < 0x20 || u > 0x7E || !c->text.empty()) continue;
        c->text = std::string(1, char(std::toupper(u)));
    }
}

void leave_field(Window* window, int id)
{
    send_command(window, id, kNotifyKillFocus);
}

void press_close_box(Window* window)
{
    FakeWindow* w = as_fake(window);
    if (w->enabled && w->events.close) w->events.close(w->events.context, window);
}

#include "support/fake_toolkit.h"

#include <cctype>

namespace {

FakeToolkit* g_fake = nullptr;

FakeWindow* as_fake(Window* window)
{
    return reinterpret_cast<FakeWindow*>(window);
}

FakeControl* find(Window* window, int id)
{
    if (!window) return nullptr;
    auto& controls = as_fake(window)->controls;
    auto found = controls.find(id);
    return found == controls.end() ? nullptr : &found->second;
}

int open_display() { return g_fake->display; }

Window* create_window(const WindowSpec& spec, const WindowEvents& events)
{
    if (g_fake->fail_create) {
        g_fake->fail_create = 0;
        return nullptr;
    }
    auto window = std::make_unique<FakeWindow>();
    window->spec = spec;
    window->title = spec.title;
    window->spec.title = window->title.c_str();
    window->events = events;
    window->rect = {0, 0, spec.width, spec.height};
    g_fake->windows.push_back(std::move(window));
    return reinterpret_cast<Window*>(g_fake->windows.back().get());
}

void destroy_window(Window* window) { as_fake(window)->destroyed = 1; }
void show_window(Window* window) { as_fake(window)->shown = 1; }
void window_rect(Window* window, Rect* out) { *out = as_fake(window)->rect; }
void move_window(Window* window, int x, int y)
{
    as_fake(window)->rect.x = x;
    as_fake(window)->rect.y = y;
}
void client_size(Window* window, int* width, int* height)
{
    *width = as_fake(window)->rect.w;
    *height = as_fake(window)->rect.h;
}
void screen_size(int* width, int* height)
{
    *width = g_fake->screen_width;
    *height = g_fake->screen_height;
}

int add_control(Window* window, const ControlSpec& spec)
{
    FakeWindow* w = as_fake(window);
    if (w->controls.count(spec.id)) return 0;
    FakeControl control;
    control.spec = spec;
    control.text = spec.text;
    control.spec.text = "";
    w->controls[spec.id] = control;
    w->creation_order.push_back(spec.id);
    return 1;
}

int control_rect(Window* window, int id, Rect* out)
{
    FakeControl* c = find(window, id);
    if (!c) return 0;
    const Rect& w = as_fake(window)->rect;
    *out = {w.x + c->spec.rect.x, w.y + c->spec.rect.y, c->spec.rect.w, c->spec.rect.h};
    return 1;
}

void move_control(Window* window, int id, const Rect& rect)
{
    if (FakeControl* c = find(window, id)) c->spec.rect = rect;
}

void enable_control(Window* window, int id, int enable)
{
    if (FakeControl* c = find(window, id)) c->enabled = enable ? 1 : 0;
}

void set_check(Window* window, int id, int checked)
{
    if (FakeControl* c = find(window, id)) c->checked = checked ? 1 : 0;
}

int is_checked(Window* window, int id)
{
    FakeControl* c = find(window, id);
    return c ? c->checked : 0;
}

std::string get_text(Window* window, int id)
{
    FakeControl* c = find(window, id);
    return c ? c->text : std::string();
}

void set_text(Window* window, int id, const char* text)
{
    if (FakeControl* c = find(window, id)) c->text = text;
}

void list_insert(Window* window, int id, const char* text, int index)
{
    FakeControl* c = find(window, id);
    if (!c) return;
    if (index < 0 || index >= int(c->lines.size())) c->lines.push_back(text);
    else c->lines.insert(c->lines.begin() + index, text);
}

int list_count(Window* window, int id)
{
    FakeControl* c = find(window, id);
    return c ? int(c->lines.size()) : 0;
}

void list_delete(Window* window, int id, int index)
{
    FakeControl* c = find(window, id);
    if (c && index >= 0 && index < int(c->lines.size())) c->lines.erase(c->lines.begin() + index);
}

void list_reset(Window* window, int id)
{
    if (FakeControl* c = find(window, id)) c->lines.clear();
}

void set_progress(Window* window, int id, int percent)
{
    if (FakeControl* c = find(window, id)) c->progress = percent;
}

void set_idle_check(void (*check)(void*), void* context)
{
    g_fake->idle_check = check;
    g_fake->idle_context = context;
}

void wake() { ++g_fake->wakes; }
int run_loop() { return g_fake->quit_code; }
void quit(int code) { g_fake->quit_code = code; }

void enable_window(Window* window, int enable)
{
    if (window) as_fake(window)->enabled = enable ? 1 : 0;
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
    t.open_display = open_display;
    t.create_window = create_window;
    t.destroy_window = destroy_window;
    t.show_window = show_window;
    t.window_rect = window_rect;
    t.move_window = move_window;
    t.client_size = client_size;
    t.screen_size = screen_size;
    t.add_control = add_control;
    t.control_rect = control_rect;
    t.move_control = move_control;
    t.enable_control = enable_control;
    t.set_check = set_check;
    t.is_checked = is_checked;
    t.get_text = get_text;
    t.set_text = set_text;
    t.list_insert = list_insert;
    t.list_count = list_count;
    t.list_delete = list_delete;
    t.list_reset = list_reset;
    t.set_progress = set_progress;
    t.set_idle_check = set_idle_check;
    t.wake = wake;
    t.run_loop = run_loop;
    t.quit = quit;
    g_platform.enable_window = enable_window;
}

FakeWindow* fake_window(Window* window)
{
    return as_fake(window);
}

Window* handle_of(FakeWindow* window)
{
    return reinterpret_cast<Window*>(window);
}

std::vector<FakeWindow*> open_windows(FakeToolkit* fake)
{
    std::vector<FakeWindow*> result;
    for (auto& w : fake->windows)
        if (!w->destroyed) result.push_back(w.get());
    return result;
}

FakeControl* fake_control(Window* window, int id)
{
    return find(window, id);
}

void click(Window* window, int id)
{
    FakeControl* c = find(window, id);
    if (!accepts_input(window, c)) return;
    if (c->spec.kind == ControlKind::AutoCheckBox) c->checked = !c->checked;
    send_command(window, id, kNotifyClicked);
}

void type_text(Window* window, int id, const std::string& text)
{
    FakeControl* c = find(window, id);
    if (!accepts_input(window, c) || c->spec.kind != ControlKind::CharEdit) return;
    for (char ch : text) {
        const unsigned char u = static_cast<unsigned char>(ch);
        if (u < 0x20 || u > 0x7E || !c->text.empty()) continue;
        c->text = std::string(1, char(std::toupper(u)));
    }
}

void erase_text(Window* window, int id)
{
    FakeControl* c = find(window, id);
    if (accepts_input(window, c)) c->text.clear();
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

void resize_window(Window* window, int width, int height)
{
    FakeWindow* w = as_fake(window);
    w->rect.w = width;
    w->rect.h = height;
    if (w->events.resize) w->events.resize(w->events.context, window, width, height);
}

void run_idle(FakeToolkit* fake)
{
    if (fake->idle_check) fake->idle_check(fake->idle_context);
}

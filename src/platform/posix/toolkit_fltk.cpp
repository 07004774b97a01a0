// The toolkit of the platform seam on FLTK 1.3. Every entry runs on the window
// thread; a call from the run thread is carried there and waited for.
#include <cstdint>
#include <string>

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Progress.H>

#include "platform/platform.h"
#include "platform/posix/fltk_thread.h"
#include "platform/posix/fltk_widgets.h"
#include "platform/posix/platform_posix.h"

namespace {

struct LoopState {
    bool quit = false;
    int code = 0;
    void (*check)(void*) = nullptr;
    void* checkContext = nullptr;
};

LoopState& loop_state()
{
    static LoopState state;
    return state;
}

ProgramWindow* program(AppWindow* window) { return reinterpret_cast<ProgramWindow*>(window); }

Fl_Widget* control(AppWindow* window, int id)
{
    if (!window) return nullptr;
    auto& controls = program(window)->controls;
    auto found = controls.find(id);
    return found == controls.end() ? nullptr : found->second;
}

template <class T>
T* control_as(AppWindow* window, int id)
{
    return dynamic_cast<T*>(control(window, id));
}

void control_clicked(Fl_Widget* widget, void* data)
{
    ProgramWindow* window = program_window_of(widget);
    if (!window || !window->events.command) return;
    const int id = int(reinterpret_cast<intptr_t>(data));
    window->events.command(window->events.context, reinterpret_cast<AppWindow*>(window), id, kNotifyClicked);
}

void window_closing(Fl_Widget* widget, void*)
{
    // FLTK hands Escape to the close callback: it is the window's Escape command
    // (a settings window's Cancel), if it has one; only the close box closes.
    auto* window = static_cast<ProgramWindow*>(widget);
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) {
        if (window->input_enabled && window->escape_id && window->events.command)
            window->events.command(window->events.context, reinterpret_cast<AppWindow*>(window), window->escape_id,
                                   kNotifyClicked);
        return;
    }
    if (!window->input_enabled || !window->events.close) return;
    window->events.close(window->events.context, reinterpret_cast<AppWindow*>(window));
}

Fl_Widget* make_control(const ControlSpec& def)
{
    const Rect& r = def.rect;
    Fl_Widget* widget = nullptr;
    switch (def.kind) {
    case ControlKind::AutoCheckBox: widget = new PlainCheckButton(r.x, r.y, r.w, r.h); break;
    case ControlKind::CheckBox: widget = new NoToggleCheckButton(r.x, r.y, r.w, r.h); break;
    case ControlKind::PushButton: {
        auto* button = new Fl_Button(r.x, r.y, r.w, r.h);
        style_push_button(button);
        widget = button;
        break;
    }
    case ControlKind::CharEdit: {
        auto* input = new CharInput(r.x, r.y, r.w, r.h, def.id);
        input->value(def.text);
        widget = input;
        break;
    }
    case ControlKind::Label: {
        auto* box = new Fl_Box(FL_NO_BOX, r.x, r.y, r.w, r.h, nullptr);
        widget = box;
        break;
    }
    case ControlKind::ProgressBar: {
        auto* bar = new Fl_Progress(r.x, r.y, r.w, r.h);
        bar->minimum(0);
        bar->maximum(100);
        bar->value(0);
        style_progress_bar(bar);
        return bar;
    }
    case ControlKind::StatusList: return new StatusList(r.x, r.y, r.w, r.h);
    }
    if (def.kind != ControlKind::CharEdit) widget->copy_label(def.text);
    // One font for every control, push buttons and fields too.
    widget->labelfont(kListFont);
    widget->labelsize(kListFontSize);
    if (auto* input = dynamic_cast<Fl_Input*>(widget)) {
        input->textfont(kListFont);
        input->textsize(kListFontSize);
    }
    if (def.kind == ControlKind::AutoCheckBox || def.kind == ControlKind::CheckBox || def.kind == ControlKind::Label)
        widget->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    if (def.kind != ControlKind::Label && def.kind != ControlKind::CharEdit)
        widget->callback(control_clicked, reinterpret_cast<void*>(intptr_t(def.id)));
    return widget;
}

int open_display() { return fltk_open_display(); }

AppWindow* create_window(const WindowSpec& def, const WindowEvents& events)
{
    ProgramWindow* created = nullptr;
    run_on_window_thread([&] {
        auto* window = new ProgramWindow(def.width, def.height, def.title);
        window->events = events;
        window->escape_id = def.escape_id;
        window->position(0, 0);
        if (def.resizable) window->size_range(def.min_width, def.min_height);
        else window->size_range(def.width, def.height, def.width, def.height);
        if (def.owner) window->set_non_modal();
        window->callback(window_closing);
        created = window;
    });
    return reinterpret_cast<AppWindow*>(created);
}

void destroy_window(AppWindow* window)
{
    run_on_window_thread([&] {
        ProgramWindow* w = program(window);
        w->hide();
        // The window may be inside one of its own callbacks: delete it later.
        Fl::delete_widget(w);
    });
}

void show_window(AppWindow* window)
{
    run_on_window_thread([&] {
        program(window)->show();
        fltk_set_class_hint(program(window));
        program(window)->redraw();
    });
}

void window_rect(AppWindow* window, Rect* out)
{
    run_on_window_thread([&] {
        ProgramWindow* w = program(window);
        *out = {w->x(), w->y(), w->w(), w->h()};
    });
}

void move_window(AppWindow* window, int x, int y)
{
    run_on_window_thread([&] { program(window)->position(x, y); });
}

void client_size(AppWindow* window, int* width, int* height)
{
    run_on_window_thread([&] {
        *width = program(window)->w();
        *height = program(window)->h();
    });
}

void screen_size(int* width, int* height)
{
    run_on_window_thread([&] {
        *width = Fl::w();
        *height = Fl::h();
    });
}

int add_control(AppWindow* window, const ControlSpec& def)
{
    int added = 0;
    run_on_window_thread([&] {
        ProgramWindow* w = program(window);
        if (!w || w->controls.count(def.id)) return;
        Fl_Group::current(nullptr);
        Fl_Widget* widget = make_control(def);
        w->add(widget);
        w->controls[def.id] = widget;
        added = 1;
    });
    return added;
}

int control_rect(AppWindow* window, int id, Rect* out)
{
    int found = 0;
    run_on_window_thread([&] {
        Fl_Widget* c = control(window, id);
        if (!c) return;
        ProgramWindow* w = program(window);
        *out = {w->x() + c->x(), w->y() + c->y(), c->w(), c->h()};
        found = 1;
    });
    return found;
}

void move_control(AppWindow* window, int id, const Rect& rect)
{
    run_on_window_thread([&] {
        Fl_Widget* c = control(window, id);
        if (!c) return;
        c->resize(rect.x, rect.y, rect.w, rect.h);
        program(window)->redraw();
    });
}

void enable_control(AppWindow* window, int id, int enable)
{
    run_on_window_thread([&] {
        Fl_Widget* c = control(window, id);
        if (!c) return;
        if (enable) c->activate();
        else c->deactivate();
    });
}

void set_check(AppWindow* window, int id, int checked)
{
    run_on_window_thread([&] {
        if (auto* b = control_as<Fl_Button>(window, id)) b->value(checked ? 1 : 0);
    });
}

int is_checked(AppWindow* window, int id)
{
    int checked = 0;
    run_on_window_thread([&] {
        if (auto* b = control_as<Fl_Button>(window, id)) checked = b->value() ? 1 : 0;
    });
    return checked;
}

std::string get_text(AppWindow* window, int id)
{
    std::string text;
    run_on_window_thread([&] {
        Fl_Widget* c = control(window, id);
        if (auto* input = dynamic_cast<Fl_Input*>(c)) text = input->value();
        else if (c && c->label()) text = c->label();
    });
    return text;
}

void set_text(AppWindow* window, int id, const char* text)
{
    run_on_window_thread([&] {
        Fl_Widget* c = control(window, id);
        if (auto* input = dynamic_cast<Fl_Input*>(c)) input->value(text);
        else if (c) c->copy_label(text);
        if (c) c->redraw();
    });
}

void list_insert(AppWindow* window, int id, const char* text, int index)
{
    run_on_window_thread([&] {
        auto* list = control_as<Fl_Browser>(window, id);
        if (!list) return;
        if (index < 0 || index >= list->size()) list->add(text);
        else list->insert(index + 1, text);  // FLTK counts lines from 1
    });
}

int list_count(AppWindow* window, int id)
{
    int count = 0;
    run_on_window_thread([&] {
        if (auto* list = control_as<Fl_Browser>(window, id)) count = list->size();
    });
    return count;
}

void list_delete(AppWindow* window, int id, int index)
{
    run_on_window_thread([&] {
        auto* list = control_as<Fl_Browser>(window, id);
        if (list && index >= 0 && index < list->size()) list->remove(index + 1);
    });
}

void list_reset(AppWindow* window, int id)
{
    run_on_window_thread([&] {
        if (auto* list = control_as<Fl_Browser>(window, id)) list->clear();
    });
}

void set_progress(AppWindow* window, int id, int percent)
{
    if (!window) return;
    // Each post costs a round trip to the window thread: send changes only.
    if (program(window)->posted_progress.exchange(percent) == percent) return;
    run_on_window_thread([&] {
        if (auto* bar = control_as<Fl_Progress>(window, id)) bar->value(float(percent));
    });
}

void run_check(void* data)
{
    auto* state = static_cast<LoopState*>(data);
    if (state->check) state->check(state->checkContext);
}

void set_idle_check(void (*check)(void*), void* context)
{
    run_on_window_thread([&] {
        LoopState& state = loop_state();
        Fl::remove_check(run_check, &state);
        state.check = check;
        state.checkContext = context;
        if (check) Fl::add_check(run_check, &state);
    });
}

void wake() { Fl::awake(static_cast<void*>(nullptr)); }

int run_loop()
{
    LoopState& state = loop_state();
    state.quit = false;
    while (!state.quit) Fl::wait(1e20);
    return state.code;
}

void quit(int code)
{
    run_on_window_thread([&] {
        loop_state().quit = true;
        loop_state().code = code;
    });
    wake();
}

void enable_window(AppWindow* window, int enable)
{
    if (!window) return;
    run_on_window_thread([&] { program(window)->input_enabled = enable != 0; });
}

}  // namespace

Toolkit fltk_toolkit()
{
    Toolkit t{};
    t.open_display = open_display;
    t.create_window = create_window;
    t.destroy_window = destroy_window;
    t.show_window = show_window;
    t.enable_window = enable_window;
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
    return t;
}

#include "ui/settings_windows.h"

#include <algorithm>
#include <array>

#include "base/config.h"
#include "base/log.h"
#include "base/report.h"
#include "calls/membership_file.h"
#include "catalogue/data_source.h"
#include "catalogue/run_context.h"
#include "platform/platform.h"
#include "ui/control_ids.h"
#include "ui/main_window.h"
#include "ui/strings.h"

namespace {

const Toolkit& tk() { return g_platform.toolkit; }

struct Layout {
    int slot;  // the target slot whose title names the window
    int width;
    int height;
    int buttonY;
    int okId;
    const char* className;  // named in the failure report
};

Layout layout_of(SettingsKind kind)
{
    switch (kind) {
    case SettingsKind::Calendar: return {kSlotCalendar, 270, 140, 60, kIdCalendarOk, "wcCal"};
    case SettingsKind::MasterCall: return {int(g_config.masterSlot), 270, 160, 80, kIdMasterOk, "wcMas"};
    case SettingsKind::Membership: break;
    }
    // Wide enough for the labels, which reach 270 pixels from the left.
    return {kSlotMembership, 310, 260, 180, kIdMemberOk, "wcMbr"};
}

void add_buttons(AppWindow* window, const Layout& layout)
{
    static constexpr const char* kTexts[] = {"OK", "Clear", "Cancel"};
    for (int i = 0; i < 3; ++i) {
        ControlSpec def;
        def.id = layout.okId + i;
        def.kind = ControlKind::PushButton;
        def.text = kTexts[i];
        def.rect = {20 + 70 * i, layout.buttonY, 60, 20};
        (void)tk().add_control(window, def);
    }
}

void add_membership_fields(AppWindow* window, const Catalogue& catalogue, const Selections& selections)
{
    for (int i = 0; i < int(kMembershipSources.size()); ++i) {
        const int slot = kMembershipSources[i];
        const int y = 20 + 30 * i;
        const char text[2] = {char(selections.sel[slot]), 0};
        ControlSpec field;
        field.id = kControlIdBase + slot;
        field.kind = ControlKind::CharEdit;
        field.text = text;
        field.rect = {20, y, 30, 20};
        (void)tk().add_control(window, field);

        ControlSpec label;
        label.id = kLabelIdBase + slot;
        label.kind = ControlKind::Label;
        label.text = catalogue.slot[slot].title ? catalogue.slot[slot].title : "";
        label.rect = {70, y, 200, 20};
        label.font = ControlFont::List;
        (void)tk().add_control(window, label);
    }
}

template <size_t N>
void add_source_boxes(AppWindow* window, const MainWindow& main, const std::array<int, N>& slots)
{
    for (size_t i = 0; i < N; ++i)
        add_source_checkbox(window, main.context->catalogue, main.context->selections, slots[i],
                            {20, 20 + 20 * int(i), 200, 20}, 1);
}

// The main window's box of a target follows its selection; `what` names the target
// in the debug line.
void show_target(MainWindow* main, int slot, const char* what)
{
    const int set = main->context->selections.sel[slot] != 0;
    debug_printf(set ? "DEBUG:\tupdating %s\n" : "DEBUG:\tnot updating %s\n", what);
    tk().set_check(main->window, kControlIdBase + slot, set);
}

// Saves a window of check boxes, one per source: the target is selected when any of
// its sources is.
template <size_t N>
void save_checked_sources(SettingsWindow* s, int target, const std::array<int, N>& slots, const char* what)
{
    uint8_t* sel = s->main->context->selections.sel;
    sel[target] = 0;
    debug_printf("DEBUG:\tsaving %s settings\n", what);
    for (int slot : slots) {
        sel[slot] = tk().is_checked(s->window, kControlIdBase + slot) ? 1 : 0;
        if (sel[slot]) sel[target] = 1;
    }
    show_target(s->main, target, what);
    close_settings(s->main);
}

void save_membership(SettingsWindow* s)
{
    std::array<std::string, 5> fields;
    for (size_t i = 0; i < fields.size(); ++i)
        fields[i] = tk().get_text(s->window, kControlIdBase + kMembershipSources[i]).substr(0, 3);
    const int accepted = checkListIds(s->window, &fields);
    // The check tidies the fields (a blank is emptied) whether or not it accepts them.
    for (size_t i = 0; i < fields.size(); ++i)
        tk().set_text(s->window, kControlIdBase + kMembershipSources[i], fields[i].c_str());
    if (!accepted) return;

    debug_printf("DEBUG:\tsaving membership list settings\n");
    uint8_t* sel = s->main->context->selections.sel;
    sel[kSlotMembership] = 0;
    for (size_t i = 0; i < fields.size(); ++i) {
        const int slot = kMembershipSources[i];
        sel[slot] = fields[i].empty() ? 0 : uint8_t(fields[i][0]);
        if (sel[slot]) sel[kSlotMembership] = 1;
    }
    show_target(s->main, kSlotMembership, "membership lists");
    close_settings(s->main);
}

void clear(SettingsWindow* s)
{
    switch (s->kind) {
    case SettingsKind::Calendar:
        debug_printf("DEBUG:\tclearing calendar settings\n");
        for (int slot : kCalendarSources) tk().set_check(s->window, kControlIdBase + slot, 0);
        return;
    case SettingsKind::MasterCall:
        debug_printf("DEBUG:\tclearing master call settings\n");
        for (int slot : kMasterCallSources) tk().set_check(s->window, kControlIdBase + slot, 0);
        return;
    case SettingsKind::Membership:
        debug_printf("DEBUG:\tclearing member list settings\n");
        for (int slot : kMembershipSources) tk().set_text(s->window, kControlIdBase + slot, "");
        return;
    }
}

void log_field(SettingsWindow* s, int id)
{
    static constexpr const char* kLines[] = {
        "DEBUG:\teQSL is now set to %s\n", "DEBUG:\tLoTW is now set to %s\n",   "DEBUG:\tOQRS is now set to %s\n",
        "DEBUG:\tCWOP is now set to %s\n", "DEBUG:\tCustom is now set to %s\n",
    };
    static_assert(std::size(kLines) == kMembershipSources.size());
    const auto source = std::ranges::find(kMembershipSources, id - kControlIdBase);
    if (source == kMembershipSources.end()) return;
    const std::string text = tk().get_text(s->window, id).substr(0, 3);
    debug_printf(kLines[source - kMembershipSources.begin()], text.c_str());
}

}  // namespace

void open_settings(MainWindow* main, SettingsKind kind)
{
    if (main->settings) return;
    const Layout layout = layout_of(kind);
    auto settings = std::make_unique<SettingsWindow>();
    settings->kind = kind;
    settings->main = main;
    const char* title = main->context->catalogue.slot[layout.slot].title;
    settings->title = title ? title : "";

    WindowSpec def;
    def.title = settings->title.c_str();
    def.width = layout.width;
    def.height = layout.height;
    def.owner = main->window;
    def.escape_id = layout.okId + 2;  // Cancel
    WindowEvents events;
    events.context = settings.get();
    events.command = [](void* context, AppWindow*, int id, int notification) {
        settings_command(static_cast<SettingsWindow*>(context), id, notification);
    };
    events.close = [](void* context, AppWindow*) { settings_close_box(static_cast<SettingsWindow*>(context)); };
    settings->window = tk().create_window(def, events);
    if (!settings->window) {
        const std::string text = format_bounded(kMessageSize, "RegisterClass(&%s) failed", layout.className);
        report_message(nullptr, text.c_str(), "RegisterClass", kMbIconError);
        return;
    }
    AppWindow* w = settings->window;
    switch (kind) {
    case SettingsKind::Calendar: add_source_boxes(w, *main, kCalendarSources); break;
    case SettingsKind::MasterCall: add_source_boxes(w, *main, kMasterCallSources); break;
    case SettingsKind::Membership: add_membership_fields(w, main->context->catalogue, main->context->selections); break;
    }
    add_buttons(w, layout);
    g_platform.toolkit.enable_window(main->window, 0);

    Rect frame;
    tk().window_rect(main->window, &frame);
    tk().move_window(w, frame.x + (frame.w - layout.width) / 2, frame.y + (frame.h - layout.height) / 2);
    tk().show_window(w);
    main->settings = std::move(settings);
}

void settings_command(SettingsWindow* s, int id, int notification)
{
    if (notification == kNotifyKillFocus) {
        if (s->kind == SettingsKind::Membership) log_field(s, id);
        return;
    }
    if (notification != kNotifyClicked) return;
    const int okId = layout_of(s->kind).okId;
    if (id == okId) {
        switch (s->kind) {
        case SettingsKind::Calendar: save_checked_sources(s, kSlotCalendar, kCalendarSources, "calendar"); return;
        case SettingsKind::MasterCall:
            save_checked_sources(s, int(g_config.masterSlot), kMasterCallSources, "master call");
            return;
        case SettingsKind::Membership: save_membership(s); return;
        }
    } else if (id == okId + 1) {
        clear(s);
    } else if (id == okId + 2) {
        close_settings(s->main);
    }
}

void settings_close_box(SettingsWindow* s)
{
    const int answer =
        g_platform.message_box(load_string(kStrAbandonQuestion), s->title.c_str(), kMbYesNo | kMbIconWarning);
    if (answer == kIdYes) close_settings(s->main);
}

void close_settings(MainWindow* main)
{
    if (!main->settings) return;
    tk().destroy_window(main->settings->window);
    main->settings.reset();
    g_platform.toolkit.enable_window(main->window, 1);
}

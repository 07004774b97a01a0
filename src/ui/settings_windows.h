// The three settings windows that choose the sources of the built targets: the
// calendar, the master callsigns and the membership lists.
#pragma once

#include <string>

struct MainWindow;
struct AppWindow;

enum class SettingsKind { Calendar, MasterCall, Membership };

struct SettingsWindow {
    SettingsKind kind = SettingsKind::Calendar;
    AppWindow* window = nullptr;
    MainWindow* main = nullptr;
    std::string title;  // the target slot's title: window title and question caption
};

// Opens a settings window centred on the main window and disables the main window.
// When the toolkit cannot make the window, reports "RegisterClass(&wcCal) failed"
// (wcMas, wcMbr) with the caption "RegisterClass" and opens nothing.
void open_settings(MainWindow* main, SettingsKind kind);

// OK, Clear, Cancel, and the membership fields losing the focus.
void settings_command(SettingsWindow* settings, int id, int notification);

// The close box: asks whether to abandon the changes; Yes closes, No keeps it open.
void settings_close_box(SettingsWindow* settings);

// Destroys the open settings window and enables the main window again.
void close_settings(MainWindow* main);

// Preloaded into the program under test (LD_PRELOAD): after each line added to or
// removed from an FLTK browser it writes the browser's lines, one a line, to the file
// named by KSTLUPD_LIST_PROBE_FILE. A test reads the status list as the window holds it
// without any hook in the program; FLTK is a shared library, so its entry points
// the program calls can be taken over here and passed on. Beside the lines goes the
// list's inside height and row height ("<path>.layout"). Each window shown adds its
// title, size, and each control's rectangle and the width its label needs to
// "<path>.windows", ending with a blank line.
#include <FL/Fl.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <string>

namespace {

template <class Fn>
Fn next_definition(const char* symbol)
{
    return reinterpret_cast<Fn>(::dlsym(RTLD_NEXT, symbol));
}

// Replaced whole, so that a reader never sees half a file.
void replace_file(const std::string& path, const std::string& text)
{
    const std::string temp = path + ".part";
    FILE* out = std::fopen(temp.c_str(), "wb");
    if (!out) return;
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    if (std::fclose(out) == 0 && written) std::rename(temp.c_str(), path.c_str());
}

// One line a control: x, y, w, h, the width its label needs (with a check box's
// mark) and its label's font and size; 0 0 0 without a label.
std::string controls_of(const Fl_Window* window)
{
    std::string layout;
    for (int i = 0; i < window->children(); ++i) {
        const Fl_Widget* c = window->child(i);
        int need = 0, font = 0, size = 0;
        if (c->label()) {
            font = c->labelfont(), size = c->labelsize();
            fl_font(c->labelfont(), c->labelsize());
            need = int(fl_width(c->label())) + (dynamic_cast<const Fl_Check_Button*>(c) ? 15 : 0);
        }
        for (int v : {c->x(), c->y(), c->w(), c->h(), need, font, size}) layout += std::to_string(v) + " ";
        layout += "\n";
    }
    return layout;
}

void write_lines(const Fl_Browser* list)
{
    const char* path = std::getenv("KSTLUPD_LIST_PROBE_FILE");
    if (!path || !*path) return;
    std::string text;
    for (int line = 1; line <= list->size(); ++line) {
        const char* t = list->text(line);
        text += std::string(t ? t : "") + '\n';
    }
    replace_file(path, text);
    if (!list->window()) return;
    fl_font(list->textfont(), list->textsize());
    std::string layout = std::to_string(list->h() - Fl::box_dh(list->box())) + " " + std::to_string(fl_height()) + "\n";
    replace_file(std::string(path) + ".layout", layout);
}

}  // namespace

void Fl_Browser::add(const char* newtext, void* d)
{
    using Fn = void (*)(Fl_Browser*, const char*, void*);
    static const Fn next = next_definition<Fn>("_ZN10Fl_Browser3addEPKcPv");
    next(this, newtext, d);
    write_lines(this);
}

void Fl_Browser::insert(int line, const char* newtext, void* d)
{
    using Fn = void (*)(Fl_Browser*, int, const char*, void*);
    static const Fn next = next_definition<Fn>("_ZN10Fl_Browser6insertEiPKcPv");
    next(this, line, newtext, d);
    write_lines(this);
}

void Fl_Browser::remove(int line)
{
    using Fn = void (*)(Fl_Browser*, int);
    static const Fn next = next_definition<Fn>("_ZN10Fl_Browser6removeEi");
    next(this, line);
    write_lines(this);
}

void Fl_Double_Window::show()
{
    using Fn = void (*)(Fl_Double_Window*);
    static const Fn next = next_definition<Fn>("_ZN16Fl_Double_Window4showEv");
    next(this);
    const char* path = std::getenv("KSTLUPD_LIST_PROBE_FILE");
    if (!path || !*path) return;
    FILE* out = std::fopen((std::string(path) + ".windows").c_str(), "ab");
    if (!out) return;
    const std::string text = std::string(label() ? label() : "") + "\n" + std::to_string(w()) + " " +
                             std::to_string(h()) + "\n" + controls_of(this) + "\n";
    std::fwrite(text.data(), 1, text.size(), out);
    std::fclose(out);
}

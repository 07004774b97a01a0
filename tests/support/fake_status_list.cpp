#include "support/fake_status_list.h"

#include "base/run_view.h"

namespace {

FakeStatusList* g_list = nullptr;

}  // namespace

void install_fake_status_list(FakeStatusList* list)
{
    g_list = list;
    g_run_view.status_insert = [](AppWindow*, const char* text, int index) {
        auto& l = g_list->lines;
        if (index < 0 || size_t(index) >= l.size()) l.push_back(text);
        else l.insert(l.begin() + index, text);
    };
    g_run_view.status_count = [](AppWindow*) { return int(g_list->lines.size()); };
    g_run_view.status_delete = [](AppWindow*, int index) {
        auto& l = g_list->lines;
        if (index >= 0 && size_t(index) < l.size()) l.erase(l.begin() + index);
    };
    g_run_view.progress_set = [](AppWindow*, int percent) { g_list->progress.push_back(percent); };
}

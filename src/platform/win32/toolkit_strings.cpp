// The program's message texts from its string resources (window_resources.rc).
#include <array>
#include <string>

#include "platform/win32/toolkit_win32.h"
#include "platform/win32/window_thread.h"

namespace {

constexpr int kFirstString = 1301;
constexpr int kLastString = 1315;

using StringTable = std::array<std::string, kLastString - kFirstString + 1>;

StringTable load_all()
{
    StringTable table;
    for (int id = kFirstString; id <= kLastString; ++id) {
        char text[1024];
        const int length = LoadStringA(program_instance(), UINT(id), text, int(sizeof text));
        if (length > 0) table[size_t(id - kFirstString)].assign(text, size_t(length));
    }
    return table;
}

}  // namespace

const char* win32_string_resource(int id)
{
    // Read once, by whichever thread asks first; the texts never change.
    static const StringTable table = load_all();
    if (id < kFirstString || id > kLastString) return nullptr;
    const std::string& text = table[size_t(id - kFirstString)];
    return text.empty() ? nullptr : text.c_str();
}

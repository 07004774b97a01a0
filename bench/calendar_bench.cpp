// Times the calendar's two jobs on a calendar of 20,000 events, far more than the
// publisher's: the content comparison made on every run, and the conversion of the
// JSON calendar into the calendar file. Then the same on a hostile calendar of 50 MB
// of empty elements, with the peak memory and the size of the log it leaves.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/config.h"
#include "bench_support.h"
#include "calendar/calendar_compare.h"
#include "calendar/calendar_file.h"
#include "catalogue/catalogue.h"
#include "catalogue/selections.h"

namespace {

// A calendar shaped like the published one: four string members per event, a text
// of realistic length, start dates spread over three years.
size_t write_calendar_json(const std::string& path, int count)
{
    std::ofstream out(path, std::ios::binary);
    out << "[\n";
    for (int i = 0; i < count; ++i) {
        int n = i * 7919 % 1000003;
        char line[256];
        int length = std::snprintf(line, sizeof line,
                                   "%s{\"start\":\"%04d-%02d-%02d\",\"end\":\"%04d-%02d-%02d\","
                                   "\"text\":\"DX%d/P expedition to island %d, QSL via \\u00e9 bureau\","
                                   "\"info\":\"https://example.org/%d\"}\n",
                                   i ? "," : "", 2022 + n % 3, 1 + n % 12, 1 + n % 28, 2022 + n % 3, 1 + n % 12,
                                   1 + (n + 7) % 28, n % 9000, n, i);
        out.write(line, length);
    }
    out << "]\n";
    return size_t(out.tellp());
}

}  // namespace

int main()
{
    namespace fs = std::filesystem;
    const std::string root = enter_scratch_folder();
    if (root.empty()) return 1;
    fs::create_directory("KESTRL");
    g_config.autoMode = 1;
    Catalogue catalogue;
    build_catalogue(&catalogue, "8.6.0.1", 10);
    Selections selections;
    selections.sel[kSlotCalendarSource] = 1;
    uint32_t errors = 0;

    const int count = 20000;
    size_t bytes = write_calendar_json("UPDATE/kestrl.php", count);
    fs::copy_file("UPDATE/kestrl.php", "KESTRL/kestrl.php");
    std::printf("input: %d events, %zu bytes of JSON\n", count, bytes);

    double best_compare = 1e9, best_convert = 1e9;
    int result = 0, ok = 0;
    for (int run = 0; run < 3; ++run) {
        auto start = std::chrono::steady_clock::now();
        result = compare_calendars(nullptr, "KESTRL\\kestrl.php", "UPDATE\\kestrl.php");
        best_compare = std::min(best_compare, milliseconds_since(start));
        start = std::chrono::steady_clock::now();
        ok = write_calendar(nullptr, kSlotCalendar, catalogue, selections, &errors);
        best_convert = std::min(best_convert, milliseconds_since(start));
    }
    std::printf("compare_calendars (both files): %8.2f ms (best of 3), result %d\n", best_compare, result);
    std::printf("write_calendar (parse, tree, file): %8.2f ms (best of 3), result %d, %ju bytes written\n",
                best_convert, ok, uintmax_t(fs::file_size("SAVE/KESTRL.CAL")));

    // 50 MB of "{}," : 17.5 million elements that each give a skipped-element warning.
    {
        std::ofstream out("UPDATE/kestrl.php", std::ios::binary);
        std::string block = "[{}";
        for (int i = 0; i < 1 << 20; ++i) block += ",{}";
        out << block;
        block.erase(0, 3);
        for (int i = 1; i < 16; ++i) out << block;
        out << "]";
    }
    fs::copy_file("UPDATE/kestrl.php", "KESTRL/kestrl.php", fs::copy_options::overwrite_existing);
    g_config.log = std::fopen("kstlupd.log", "w");
    std::printf("hostile input: %ju bytes of empty elements; peak memory before %.1f MB\n",
                uintmax_t(fs::file_size("UPDATE/kestrl.php")), peak_mb());
    auto start = std::chrono::steady_clock::now();
    int hostile_result = compare_calendars(nullptr, "KESTRL\\kestrl.php", "UPDATE\\kestrl.php");
    std::printf("compare_calendars: %8.0f ms, result %d, peak memory %.1f MB\n", milliseconds_since(start),
                hostile_result, peak_mb());
    start = std::chrono::steady_clock::now();
    int hostile_ok = write_calendar(nullptr, kSlotCalendar, catalogue, selections, &errors);
    std::printf("write_calendar:    %8.0f ms, result %d, peak memory %.1f MB, log %ju bytes\n",
                milliseconds_since(start), hostile_ok, peak_mb(), uintmax_t(fs::file_size("kstlupd.log")));
    std::fclose(g_config.log);
    g_config.log = nullptr;

    if (!leave_scratch_folder(root)) return 1;
    return result == 0 && ok == 1 && hostile_result == 0 && hostile_ok == 1 ? 0 : 1;
}

// Any bytes as a downloaded JSON calendar: compared with the kept copy and with
// itself, then converted into the calendar file. A calendar always equals itself,
// and a calendar file that was written is whole: its header and its records agree.
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "base/config.h"
#include "calendar/calendar_compare.h"
#include "calendar/calendar_file.h"
#include "catalogue/catalogue.h"
#include "catalogue/selections.h"
#include "fuzz_support.h"

namespace {

Catalogue g_catalogue;
std::unique_ptr<Selections> g_selections;

const char kKeptCalendar[] =
    "[{\"start\":\"2026-01-05\",\"end\":\"2026-01-19\",\"text\":\"Island expedition, QSL via bureau\","
    "\"info\":\"https://example.org/1\"},\n"
    " {\"start\":\"2026-02-01\",\"end\":\"2026-02-03\",\"text\":\"Contest station\",\"info\":\"\"}]\n";

void check_calendar_file(const char* path)
{
    std::string bytes;
    if (!fuzz_read_file(path, &bytes)) return;
    if (bytes.size() < 10 || bytes.compare(0, 4, "CALB") != 0 || uint8_t(bytes[4]) != kCalendarRecordSize)
        fuzz_fail("calendar file without its header");
    const size_t count = uint8_t(bytes[6]) | size_t(uint8_t(bytes[7])) << 8;
    if (bytes.size() != 10 + count * kCalendarRecordSize) fuzz_fail("calendar file records differ from its count");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz_setup();
    mkdir("UPDATE", 0755);
    mkdir("SAVE", 0755);
    build_catalogue(&g_catalogue, g_config.hostVersion, g_config.masterSlot);
    g_selections = new_status(g_catalogue);
    g_selections->sel[kSlotCalendarSource] = 1;
    fuzz_write_file("UPDATE/kept.php", kKeptCalendar, sizeof kKeptCalendar - 1);
    fuzz_log_taken();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const DataSource& source = g_catalogue.slot[kSlotCalendarSource];
    const std::string download = "UPDATE/" + source.downloadPath.substr(source.downloadPath.rfind('\\') + 1);
    fuzz_write_file(download.c_str(), data, size);

    const int kept = compare_calendars(nullptr, source.downloadPath.c_str(), "UPDATE\\kept.php");
    const int itself = compare_calendars(nullptr, source.downloadPath.c_str(), source.downloadPath.c_str());
    if (kept < -1 || kept > 1 || itself < -1 || itself > 0) fuzz_fail("a calendar differs from itself");
    if ((kept == -1) != (itself == -1)) fuzz_fail("a calendar is JSON in one comparison and not in the other");

    const std::string target = "SAVE/" + g_catalogue.slot[kSlotCalendar].targetPath.substr(5);
    uint32_t errors = 0;
    (void)write_calendar(nullptr, kSlotCalendar, g_catalogue, *g_selections, &errors);
    check_calendar_file(target.c_str());
    unlink(target.c_str());
    fuzz_check_log(3 * size);
    return 0;
}

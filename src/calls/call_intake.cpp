#include "calls/call_intake.h"

#include <cstring>

#include "base/log.h"
#include "base/outside_text.h"
#include "base/report.h"
#include "calls/callsign.h"
#include "files/file_ops.h"
#include "platform/platform.h"

void take_call(CallIntake* intake, char* text)
{
    bool valid = isValidCall(text);
    if (valid) {
        stripCallSuffix(text);
        size_t length = std::strlen(text);
        if (length == 0) return;
        valid = length <= intake->max_length && addCall(intake->set, std::string_view(text, length), intake->listId);
    }
    if (valid) {
        ++intake->counts.good;
        return;
    }
    ++intake->counts.invalid;
    if (log_limit_take(&intake->invalid_logged))
        debug_printf("DEBUG:\t%s is not a valid call\n", shown_text(text).c_str());
}

void log_read_counts(CallIntake* intake, const DataSource& source)
{
    if (int rest = log_limit_rest(intake->invalid_logged)) debug_printf("DEBUG:\t%d more invalid calls\n", rest);
    if (int rest = log_limit_rest(intake->set->ids_logged))
        debug_printf("DEBUG:\t%d more calls found in a further list\n", rest);
    intake->set->ids_logged = LogLimit{};
    const std::string& name = source.downloadPath.empty() ? source.targetPath : source.downloadPath;
    debug_printf("DEBUG:\t        Read %0d good, %0d invalid calls from %s\n", intake->counts.good,
                 intake->counts.invalid, name.c_str());
}

void note_list(ListYield* yield, const std::string& path, bool downloaded, bool opened, size_t added)
{
    if (!downloaded || added != 0) return;
    std::string& first = opened ? yield->empty : yield->unopened;
    if (first.empty()) first = path;
}

void read_list(AppWindow* owner, const std::string& path, bool downloaded, CallSet* set, ListYield* yield,
               const std::function<void(FILE*)>& read)
{
    FILE* stream = g_platform.open_file(path.c_str(), "r");
    if (!stream) {
        report_open_error(owner, path.c_str(), errno_of_error(g_platform.last_error()));
        note_list(yield, path, downloaded, false, 0);
        return;
    }
    const size_t before = set->keys.size();
    read(stream);
    std::fclose(stream);
    note_list(yield, path, downloaded, true, set->keys.size() - before);
}

std::string list_without_calls(const ListYield& yield, bool target_empty)
{
    if (!yield.empty.empty()) return yield.empty;
    return target_empty ? yield.unopened : std::string();
}

int keep_target_without_calls(AppWindow* owner, const ListYield& yield, bool target_empty, const std::string& target,
                              bool* refused, uint32_t* errorCount)
{
    const std::string list = list_without_calls(yield, target_empty);
    *refused = !list.empty();
    if (list.empty()) return 0;
    return report_nothing_read(owner, target,
                               format_bounded(kMessageSize, "No callsign could be read from %s", list.c_str()),
                               "No callsigns", errorCount);
}

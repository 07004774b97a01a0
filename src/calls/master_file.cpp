#include "calls/master_file.h"

#include <cstring>

#include "base/atomic_file.h"
#include "base/log.h"
#include "calls/call_intake.h"
#include "catalogue/selections.h"
#include "files/file_ops.h"
#include "files/zip_members.h"

namespace {

bool is_token_separator(char c) { return c == ' ' || c == '\r' || c == '\n'; }

}  // namespace

char* second_token(char* line)
{
    char* p = line;
    for (int token = 0;; ++token) {
        while (*p && is_token_separator(*p)) ++p;
        if (!*p) return nullptr;
        char* start = p;
        while (*p && !is_token_separator(*p)) ++p;
        if (token == 1) {
            *p = '\0';
            return start;
        }
    }
}

void readCallPerLine(FILE* stream, CallSet* set, const DataSource& source)
{
    CallIntake intake;
    intake.set = set;
    // A read error ends the list there, as the end of the file would.
    (void)for_each_piece(stream, kMasterLineSize - 1, [&](char* line) {
        cut_line(line, false);
        if (line[0] != '\0') take_call(&intake, line);
    });
    log_read_counts(&intake, source);
}

void readCallSecondToken(FILE* stream, CallSet* set, const DataSource& source)
{
    CallIntake intake;
    intake.set = set;
    (void)for_each_piece(stream, kMasterLineSize - 1, [&](char* line) {
        if (char* call = second_token(line)) take_call(&intake, call);
    });
    log_read_counts(&intake, source);
}

int writeMasterCalls(FILE* stream, const CallSet& set)
{
    int count = 0;
    for_each_call(set, [&](const CallEntry& entry) {
        std::string_view call = entry.callsign;
        if (call.empty()) return;
        std::fputc(static_cast<unsigned char>(call[0]) | 0x80, stream);
        std::fwrite(call.data() + 1, 1, call.size() - 1, stream);
        ++count;
    });
    return count;
}

int writeMasterFile(AppWindow* owner, int slot, const Catalogue& catalogue, const Selections& selections,
                    uint32_t* errorCount)
{
    CallSet set;
    ListYield yield;
    for (int index : kMasterCallSources) {
        const DataSource& source = catalogue.slot[index];
        if (selections.sel[index] == 0) continue;
        if (selections.upd[index]) debug_printf("DEBUG:\t    %s was updated\n", source.title);
        // The archive's member lands at targetPath; a missing member shows only as an
        // open error below, or as the older copy read. A member that is there but could
        // not be unpacked (logged) would leave the file built from the older list while
        // the archive counted as installed: the old file stays until the next run.
        if (index == kSlotClubLog && !extractMember(source.downloadPath.c_str(), source.targetPath.c_str())) return 0;
        read_list(owner, source.targetPath, true, &set, &yield, [&](FILE* stream) {
            if (index == kSlotClubLog) readCallPerLine(stream, &set, source);
            else readCallSecondToken(stream, &set, source);
        });
    }
    sort_calls(&set);

    const std::string& target = catalogue.slot[slot].targetPath;
    bool nothing_read = false;
    if (keep_target_without_calls(owner, yield, set.keys.empty(), target, &nothing_read, errorCount)) return 0;
    int count = 0;
    if (!atomic_write_reported(owner, target, [&](FILE* file) {
            std::fwrite("KSTLMAS1", 1, 8, file);
            std::fputc(0x0C, file);
            count = writeMasterCalls(file, set);
            std::fputc(0xFF, file);
        }))
        return 0;
    if (count != 0) debug_printf("DEBUG:\t  Wrote %d master calls to %s\n", count, target.c_str());
    return nothing_read ? 0 : 1;
}

#include "calls/membership_file.h"

#include <cstring>

#include "base/atomic_file.h"
#include "base/little_endian.h"
#include "base/log.h"
#include "base/outside_text.h"
#include "base/report.h"
#include "calls/call_intake.h"
#include "catalogue/selections.h"
#include "files/file_ops.h"
#include "platform/platform.h"

namespace {

// The logging program reads at most this many IDs per callsign.
constexpr size_t kMaxIdsPerRecord = 4;
constexpr size_t kMaxMembershipLists = 4;

// First line of a message, or the next one behind a line feed, cut at the size of
// the message buffer.
void add_message_line(std::string* message, const std::string& line)
{
    if (message->empty()) *message = format_bounded(kMessageSize, "%s", line.c_str());
    else *message = format_bounded(kMessageSize, "%s\n%s", message->c_str(), line.c_str());
}

}  // namespace

bool is_ascii_alnum(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

void readMemberList(FILE* stream, CallSet* set, const DataSource& source, char listId)
{
    CallIntake intake;
    intake.set = set;
    intake.listId = listId;
    intake.max_length = kMaxMemberCallLength;
    // A read error ends the list there, as the end of the file would.
    (void)for_each_piece(stream, kMemberLineSize - 1, [&](char* line) {
        cut_line(line, true);
        // Headers and comments ("#...", quoted column names) fall out here uncounted.
        if (is_ascii_alnum(static_cast<unsigned char>(line[0]))) take_call(&intake, line);
    });
    log_read_counts(&intake, source);
}

int writeMemberRecords(FILE* stream, const CallSet& set)
{
    int count = 0;
    for_each_call(set, [&](const CallEntry& entry) {
        size_t ids = std::strlen(entry.lists);
        if (ids > kMaxIdsPerRecord) {
            debug_printf("DEBUG:\tToo many lists: %s [%s]\n", shown_text(entry.callsign).c_str(), entry.lists);
            return;
        }
        // Entries from outside the readers may lack an ID or a writable length.
        if (ids == 0 || entry.callsign.empty() || entry.callsign.size() > kMaxMemberCallLength) return;
        ++count;
        if (!stream) return;
        std::fputc(static_cast<int>(entry.callsign.size()), stream);
        std::fwrite(entry.callsign.data(), 1, entry.callsign.size(), stream);
        std::fputc(static_cast<int>(ids), stream);
        std::fwrite(entry.lists, 1, ids, stream);
    });
    return count;
}

int writeMembershipFile(AppWindow* owner, int slot, const Catalogue& catalogue, const Selections& selections,
                        uint32_t* errorCount)
{
    CallSet set;
    ListYield yield;
    for (int index : kMembershipSources) {
        const DataSource& source = catalogue.slot[index];
        if (selections.upd[index]) debug_printf("DEBUG:\t    %s was updated\n", source.title);
        if (selections.sel[index] == 0) continue;
        const bool downloaded = source.remotePath != nullptr;
        read_list(owner, source.targetPath, downloaded, &set, &yield, [&](FILE* stream) {
            readMemberList(stream, &set, source, static_cast<char>(selections.sel[index]));
        });
    }
    sort_calls(&set);

    const std::string& target = catalogue.slot[slot].targetPath;
    const int count = writeMemberRecords(nullptr, set);
    bool nothing_read = false;
    if (keep_target_without_calls(owner, yield, count == 0, target, &nothing_read, errorCount)) return 0;
    if (!atomic_write_reported(owner, target, [&](FILE* file) {
            std::fputc(0x07, file);
            std::fwrite("MEMBERA", 1, 7, file);
            uint8_t count_bytes[4];
            put_u32(count_bytes, static_cast<uint32_t>(count));
            std::fwrite(count_bytes, 1, sizeof count_bytes, file);
            writeMemberRecords(file, set);
        }))
        return 0;
    if (count != 0) debug_printf("DEBUG:\t  Wrote %d member calls to %s\n", count, target.c_str());
    return nothing_read ? 0 : 1;
}

int checkListIds(AppWindow* owner, std::array<std::string, 5>* fields)
{
    std::string message;
    size_t used = 0;
    for (std::string& field : *fields) {
        if (field.empty()) continue;
        unsigned char id = static_cast<unsigned char>(field[0]);
        if (id == ' ') {
            field.clear();
            continue;
        }
        ++used;
        if (id < '!' || id > '_') {
            add_message_line(&message, format_bounded(80, "[ %s ]  is not a valid membership list ID.",
                                                      shown_text(field.substr(0, 1)).c_str()));
        }
    }
    if (used > kMaxMembershipLists) {
        add_message_line(&message, "You can have no more than four (4) membership lists.");
    }
    if (message.empty()) return 1;
    report_message(owner, message.c_str(), "Too many lists", kMbIconError);
    return 0;
}

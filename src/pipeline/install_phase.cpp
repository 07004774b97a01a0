#include "pipeline/install_phase.h"

#include <algorithm>

#include "base/atomic_file.h"
#include "base/log.h"
#include "base/replace_watch.h"
#include "base/report.h"
#include "base/status_line.h"
#include "base/terminal_view.h"
#include "calendar/calendar_file.h"
#include "calls/master_file.h"
#include "calls/membership_file.h"
#include "catalogue/catalogue.h"
#include "catalogue/run_context.h"
#include "files/file_ops.h"
#include "files/zip_members.h"
#include "nodes/node_merge.h"
#include "pipeline/country_texts.h"
#include "pipeline/derived_sources.h"
#include "pipeline/download_phase.h"
#include "platform/platform.h"

namespace {

enum class ResultLine { TitleOnly, TitleAndDate };

// Installs one slot; returns 0 when the installer failed (it has reported why).
int install_slot(AppWindow* owner, RunContext* run, int slot, ResultLine* line)
{
    const bool v9 = is_version9(run->hostVersion);
    const Catalogue& catalogue = run->catalogue;
    const DataSource& source = catalogue.slot[slot];
    switch (slot) {
    case kSlotAwards:
    case kSlotCountry: {
        *line = slot == kSlotAwards ? ResultLine::TitleOnly : ResultLine::TitleAndDate;
        const bool texts = slot == kSlotCountry && v9;  // the country texts have a folder of their own
        if (texts && !directoryExists("CTYTexts")) {
            std::string text = format_bounded(
                kMessageSize, "ERROR: Can't update country files if directory %s does not exist", "CTYTexts");
            report_message(owner, text.c_str(), "Can't Update CTY", kMbIconError);
            return 0;
        }
        const std::span<const int> members = archive_members(slot, v9);
        const int extracted = extractMembers(catalogue, source, members);
        if (texts) (void)restoreCountryTexts(owner);
        // A member that could not be written leaves the slot to the next run; the
        // logging program's own file is dropped only once all its sources are new.
        if (!extracted) return 0;
        if (std::ranges::find(members, slot) == members.end()) g_platform.delete_file(source.targetPath.c_str());
        return 1;
    }
    case kSlotNodesKeepAlive:
    case kSlotNodes: *line = ResultLine::TitleAndDate; return mergeNodeList(owner, source) != 0;
    case kSlotCalendar:
    case kSlotMasterOld:
    case kSlotMaster:
    case kSlotMembership: {
        *line = ResultLine::TitleOnly;
        Selections built;
        if (!derived_sources_ready(owner, run, slot, &built)) return 0;
        if (slot == kSlotCalendar) return write_calendar(owner, slot, catalogue, built, &run->errorCount);
        if (slot == kSlotMembership) return writeMembershipFile(owner, slot, catalogue, built, &run->errorCount);
        return writeMasterFile(owner, slot, catalogue, built, &run->errorCount);
    }
    default: *line = ResultLine::TitleAndDate; return installCopy(owner, source);
    }
}

}  // namespace

void updateTargets(AppWindow* owner, RunContext* run)
{
    const Catalogue& catalogue = run->catalogue;
    const Selections& s = run->selections;
    int line_index = 0;
    for (int slot : catalogue.mainList) {
        if (!s.upd[slot]) continue;
        const DataSource& source = catalogue.slot[slot];
        debug_printf("DEBUG:\t%s will be updated\n", source.title);
        // The backup takes its place only when the install replaces the target: a
        // target that already holds the new bytes (an install repeated after a kill)
        // is neither backed up nor written.
        AtomicFile backup;
        const auto backup_failed = [&] {
            std::string text = format_bounded(kMessageSize, "Error backing up %s", source.targetPath.c_str());
            status_failure_line(owner, text.c_str(), line_index++);
        };
        if (!backupTarget(owner, source, &backup)) {
            backup_failed();
            continue;
        }
        ReplaceWatch watch(source.targetPath, [&] { return atomic_place(&backup); });
        ResultLine kind = ResultLine::TitleOnly;
        if (!install_slot(owner, run, slot, &kind)) {
            if (watch.before_result == 0) backup_failed();
            unattended_failed();
            continue;
        }
        // A target that the install removed (an archive whose members take its place)
        // is backed up all the same.
        if (watch.before_result < 0 && !fileExists(source.targetPath.c_str()) && !atomic_place(&backup))
            backup_failed();
        std::string text = kind == ResultLine::TitleOnly
                               ? format_bounded(kMessageSize, "Updated:  %s", source.title)
                               : format_bounded(kMessageSize, "Updated:  %s -- %s", source.title,
                                                result_date(source.remoteTime).c_str());
        statusLine(owner, text.c_str(), line_index++);
        ++run->updatedCount;
        markInstalled(catalogue, s, slot);
    }
}

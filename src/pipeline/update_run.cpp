#include "pipeline/update_run.h"

#include "base/log.h"
#include "base/report.h"
#include "base/terminal_view.h"
#include "catalogue/run_context.h"
#include "files/file_ops.h"
#include "net/self_update.h"
#include "pipeline/download_phase.h"
#include "pipeline/install_phase.h"
#include "platform/platform.h"

std::string update_summary(uint32_t updated, uint32_t errors)
{
    std::string first = updated == 0   ? std::string("No files were updated.")
                        : updated == 1 ? std::string("One file was updated.")
                                       : format_bounded(kMessageSize, "%0d files were updated.", int(updated));
    if (errors == 0) return first;
    std::string second = errors == 1 ? std::string("There was one error.")
                                     : format_bounded(kMessageSize, "There were %0d errors.", int(errors));
    return format_bounded(kMessageSize, "%s\n%s", first.c_str(), second.c_str());
}

void Update(AppWindow* owner, RunContext* run)
{
    run->errorCount = 0;
    run->updatedCount = 0;
    run->fetch_failed = {};
    // The leftovers may hold the only copy of the updater itself: it goes back first.
    restoreProgramFile(owner, run->catalogue.slot[kSlotUpdater]);
    removeLeftoverTemps(run->catalogue);
    debug_printf("\nDEBUG:\tStarted downloadUpdates()\n\n");
    downloadUpdates(owner, run);
    debug_printf("\nDEBUG:\tFinished downloadUpdates()\n\n");
    debug_printf("\nDEBUG:\tStarted updateTargets()\n\n");
    updateTargets(owner, run);
    debug_printf("\nDEBUG:\tFinished updateTargets()\n\n");
    const std::string text = update_summary(run->updatedCount, run->errorCount);
    report_message(nullptr, text.c_str(), "Update finished", kMbIconInformation);
    unattended_end(text.c_str(), run->errorCount);
}

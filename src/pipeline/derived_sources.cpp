#include "pipeline/derived_sources.h"

#include "base/log.h"
#include "base/report.h"
#include "catalogue/run_context.h"
#include "catalogue/slots.h"
#include "files/file_ops.h"

int derived_sources_ready(AppWindow* owner, RunContext* run, int slot, Selections* built)
{
    *built = run->selections;
    const bool installed = fileExists(run->catalogue.slot[slot].targetPath.c_str()) != 0;
    bool complete = true;
    for (int m : group_sources(slot)) {
        const DataSource& source = run->catalogue.slot[m];
        // The user's own list is theirs, and never in UPDATE.
        if (!built->sel[m] || !source.remotePath || fileExists(source.downloadPath.c_str())) continue;
        complete = false;
        built->sel[m] = 0;
        if (run->fetch_failed[m]) continue;
        std::string text = format_bounded(kMessageSize, "%s has no good copy in UPDATE", source.title);
        report_message(owner, text.c_str(), "Missing source", kMbIconError);
        ++run->errorCount;
    }
    return complete || !installed;
}

#include "calls/call_intake.h"

#include <cstring>

#include "base/log.h"
#include "calls/callsign.h"

void take_call(CallIntake* intake, char* text)
{
    intake->texts[intake->queued++] = text;
    if (intake->queued == kCallBatch) flush_calls(intake);
}

void flush_calls(CallIntake* intake)
{
    enum class Verdict { invalid, empty, good };
    Verdict verdicts[kCallBatch];
    const char* keys[kCallBatch];
    int key_count = 0;
    // Validation and stripping depend on the text alone, so doing them ahead of the
    // additions before them changes nothing but the order of work.
    for (int i = 0; i < intake->queued; ++i) {
        char* text = intake->texts[i];
        if (!isValidCall(text)) {
            verdicts[i] = Verdict::invalid;
            continue;
        }
        stripCallSuffix(text);
        size_t length = std::strlen(text);
        if (length == 0) {
            verdicts[i] = Verdict::empty;
        } else if (length > intake->max_length) {
            verdicts[i] = Verdict::invalid;
        } else {
            verdicts[i] = Verdict::good;
            keys[key_count++] = text;
        }
    }
    prefetch_calls(*intake->set, keys, key_count);
    for (int i = 0; i < intake->queued; ++i) {
        if (verdicts[i] == Verdict::invalid) {
            debug_printf("DEBUG:\t%s is not a valid call\n", intake->texts[i]);
            ++intake->counts.invalid;
        } else if (verdicts[i] == Verdict::good) {
            addCall(intake->set, intake->texts[i], intake->listId);
            ++intake->counts.good;
        }
    }
    intake->queued = 0;
}

void log_read_counts(const ReadCounts& counts, const DataSource& source)
{
    const std::string& name = source.downloadPath.empty() ? source.targetPath : source.downloadPath;
    debug_printf("DEBUG:\t        Read %0d good, %0d invalid calls from %s\n", counts.good, counts.invalid,
                 name.c_str());
}

// A reader of outside data logs a line per bad line or element it meets; a hostile
// file would turn that into a log many times its own size. Each kind of line is
// logged this many times per file, and the rest are counted in one closing line.
#pragma once

constexpr int kLoggedPerKind = 100;
// A report that would open a message box opens one only for the first few of its
// kind per file; the later ones are logged (within the limit above) without a box.
constexpr int kBoxedPerKind = 3;

struct LogLimit {
    int seen = 0;
};

// Counts one more line of the kind; true while it may still be logged.
inline bool log_limit_take(LogLimit* limit) { return ++limit->seen <= kLoggedPerKind; }

// How many lines of the kind were counted but not logged.
inline int log_limit_rest(const LogLimit& limit)
{
    return limit.seen > kLoggedPerKind ? limit.seen - kLoggedPerKind : 0;
}

// True while the line last counted may still be shown in a box.
inline bool log_limit_boxed(const LogLimit& limit) { return limit.seen <= kBoxedPerKind; }

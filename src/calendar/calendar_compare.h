// Whether a freshly fetched JSON calendar differs in content from the copy kept in
// UPDATE: the calendar's server gives no usable modification date.
#pragma once

struct AppWindow;

// 0 when both files hold the same calendar, 1 when they differ (element count,
// member count, member names or values, compared position by position), -1 when
// either file is not a JSON array; that is reported ("%s is not a JSON file",
// caption "Not JSON") with the path of the first such file.
[[nodiscard]] int compare_calendars(AppWindow* owner, const char* new_file, const char* old_file);

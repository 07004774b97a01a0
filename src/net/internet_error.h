// Turning the last Internet error code into a message for the user and the log.
#pragma once

#include <cstdint>

struct AppWindow;

// Reports "<operation> failed, error = <code>" with the code's explanation and the
// extra text (title "Internet error"); returns the code.
uint32_t reportInternetError(AppWindow* owner, const char* operation, const char* extra);

// The thread's last file-operation error, kept as the Windows code the core expects.
#pragma once

#include <cstdint>

// Windows code for an errno value; `path` helps tell a missing file (2) from a
// missing folder on the way to it (3).
uint32_t windows_error_from_errno(int err, const char* native_path);

void set_last_error(uint32_t code);
uint32_t posix_last_error();

// Reading the fixed version block of a Windows executable without Windows: the PE
// resource directory down to RT_VERSION, then VS_FIXEDFILEINFO.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

// 1 with the block's signature and file version taken from an image in memory;
// 0 when it is not a PE file, has no version resource or the resource is damaged.
// Every offset is checked against the size: no byte outside the image is read.
int read_pe_fixed_file_info(const uint8_t* data, size_t size, FixedFileInfo* out);

// The same for a file on disk.
int posix_file_version(const char* path, FixedFileInfo* out);

// Reading a Windows executable without Windows: its headers, the certificate table's
// presence, and the version resource (the PE resource directory down to RT_VERSION,
// VS_FIXEDFILEINFO and the string table its Translation entry names).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

// 1 with the block's signature and file version taken from an image in memory;
// 0 when it is not a PE file, has no version resource or the resource is damaged.
// Every offset is checked against the size: no byte outside the image is read.
int read_pe_fixed_file_info(const uint8_t* data, size_t size, FixedFileInfo* out);

// 1 with the headers of a PE image in memory and, where present, its version block,
// version strings and whether a certificate table is there; 0 when it is no PE image.
// As bounded as the above.
int read_pe_program_image(const uint8_t* data, size_t size, ProgramImage* out);

// The same for files on disk. No signature is judged; the running program of this
// build (null path) is no PE file.
int posix_file_version(const char* path, FixedFileInfo* out);
int posix_program_image(const char* path, ProgramImage* out);

// Any bytes as an executable whose headers, fixed version block and version strings
// are read. The reader may only look inside the image: the fuzzer's copy of the input
// ends exactly at its size. Both readings agree on the version, and the strings carry
// no control characters into a log line.
#include "platform/posix/pe_version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FixedFileInfo info;
    const int fixed = read_pe_fixed_file_info(data, size, &info);
    ProgramImage image;
    const int pe = read_pe_program_image(data, size, &image);
    if (fixed && (!pe || image.has_version != (info.signature == 0xFEEF04BD))) __builtin_trap();
    if (image.has_version &&
        (image.file_version_ms != info.file_version_ms || image.file_version_ls != info.file_version_ls))
        __builtin_trap();
    for (const std::string* text : {&image.internal_name, &image.original_filename})
        for (const char c : *text)
            if (static_cast<unsigned char>(c) < 0x20) __builtin_trap();
    return 0;
}

// Any bytes as an executable whose fixed version block is read. The reader may only
// look inside the image: the fuzzer's copy of the input ends exactly at its size.
#include "platform/posix/pe_version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FixedFileInfo info;
    (void)read_pe_fixed_file_info(data, size, &info);
    return 0;
}

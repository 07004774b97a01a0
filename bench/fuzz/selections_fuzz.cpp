// Any bytes as the saved selections record. A record that is taken must survive being
// saved and read again unchanged, as the next start-up would read it.
#include <cstring>

#include "base/config.h"
#include "catalogue/catalogue.h"
#include "catalogue/selections.h"
#include "fuzz_support.h"

namespace {

Catalogue g_catalogue;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz_setup();
    build_catalogue(&g_catalogue, g_config.hostVersion, g_config.masterSlot);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* stream = fuzz_open_bytes(data, size);
    std::unique_ptr<Selections> record = read_ini(stream, g_catalogue);
    std::fclose(stream);
    if (!record) {
        fuzz_check_log(size);
        return 0;
    }
    if (size < kSelectionsSize) fuzz_fail("a short record was taken");
    uint8_t raw[kSelectionsSize];
    encode_selections(*record, raw);
    if (std::memcmp(raw, data, kSelectionsSize) != 0) fuzz_fail("a record does not keep its bytes");

    // An unchanged record is not written again, so the file starts as the input.
    fuzz_write_file(g_config.iniFile, data, size);
    if (!write_selections(nullptr, record.get(), g_catalogue)) fuzz_fail("a taken record could not be saved");
    FILE* saved = std::fopen(g_config.iniFile, "rb");
    if (!saved) fuzz_fail("the saved record is missing");
    std::unique_ptr<Selections> again = read_ini(saved, g_catalogue);
    std::fclose(saved);
    std::remove(g_config.iniFile);
    if (!again || std::memcmp(again->sel, record->sel, kSlotCount) != 0 ||
        std::memcmp(again->ini, record->sel, kSlotCount) != 0)
        fuzz_fail("a saved record reads back different");
    fuzz_check_log(size);
    return 0;
}

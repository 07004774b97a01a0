#include "catalogue/selections.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/atomic_file.h"
#include "base/config.h"
#include "base/log.h"
#include "base/report.h"
#include "catalogue/catalogue.h"
#include "platform/platform.h"

namespace {

void copy_text(char* field, size_t size, const char* text)
{
    std::memset(field, 0, size);
    std::memcpy(field, text, std::min(std::strlen(text), size - 1));
}

// One debug line per slot in the operation's wording.
void log_slots(const char* operation, const Selections& s, const Catalogue& catalogue)
{
    for (int i = 0; i < kSlotCount; ++i) {
        const char* title = catalogue.slot[i].title ? catalogue.slot[i].title : "";
        if (s.sel[i] == 0) debug_printf("DEBUG:\t%s():   - %s\n", operation, title);
        else if (s.sel[i] == 1) debug_printf("DEBUG:\t%s(): 1 - %s\n", operation, title);
        else debug_printf("DEBUG:\t%s(): %c - %s\n", operation, s.sel[i], title);
    }
}

}  // namespace

void encode_selections(const Selections& s, uint8_t out[kSelectionsSize])
{
    uint8_t* p = out;
    auto put = [&p](const void* data, size_t n) {
        std::memcpy(p, data, n);
        p += n;
    };
    put(s.id, 8);
    put(s.version, 8);
    put(s.iniTag, 4);
    put(s.ini, kSlotCount);
    put(s.selTag, 4);
    put(s.sel, kSlotCount);
    put(s.updTag, 4);
    put(s.upd, kSlotCount);
}

void decode_selections(const uint8_t in[kSelectionsSize], Selections* s)
{
    const uint8_t* p = in;
    auto get = [&p](void* data, size_t n) {
        std::memcpy(data, p, n);
        p += n;
    };
    get(s->id, 8);
    get(s->version, 8);
    get(s->iniTag, 4);
    get(s->ini, kSlotCount);
    get(s->selTag, 4);
    get(s->sel, kSlotCount);
    get(s->updTag, 4);
    get(s->upd, kSlotCount);
}

std::unique_ptr<Selections> new_status(const Catalogue& catalogue)
{
    auto s = std::make_unique<Selections>();
    copy_text(s->id, sizeof s->id, "KSTLUPD");
    copy_text(s->version, sizeof s->version, g_config.version.c_str());
    copy_text(s->iniTag, sizeof s->iniTag, "INI");
    copy_text(s->selTag, sizeof s->selTag, "SEL");
    copy_text(s->updTag, sizeof s->updTag, "UPD");
    for (int i = 0; i < kSlotCount; ++i) s->sel[i] = catalogue.slot[i].selected;
    log_slots("new_status", *s, catalogue);
    debug_printf("\n");
    return s;
}

std::unique_ptr<Selections> read_ini(FILE* file, const Catalogue& catalogue)
{
    uint8_t raw[kSelectionsSize];
    if (std::fread(raw, 1, kSelectionsSize, file) != kSelectionsSize) return nullptr;
    auto s = std::make_unique<Selections>();
    decode_selections(raw, s.get());
    if (std::memcmp(s->id, "KSTLUPD", 7) != 0) return nullptr;
    char version[9] = {};
    std::memcpy(version, s->version, 8);
    if (std::strtol(version, nullptr, 10) != std::strtol(g_config.version.c_str(), nullptr, 10)) return nullptr;
    log_slots("read_ini", *s, catalogue);
    debug_printf("\n");
    return s;
}

std::unique_ptr<Selections> load_selections(const Catalogue& catalogue)
{
    FILE* file = g_platform.open_file(g_config.iniFile, "rb");
    if (!file) {
        const int err = errno_of_error(g_platform.last_error());
        if (err != ENOENT) report_open_error(nullptr, g_config.iniFile, err);
        return new_status(catalogue);
    }
    auto s = read_ini(file, catalogue);
    std::fclose(file);
    if (s) return s;
    report_message(nullptr, "Saved selections are not valid, using defaults.", "Invalid settings", kMbIconError);
    return new_status(catalogue);
}

void CopySelections(const CheckBoxReader& boxes, Selections* selections, const Catalogue& catalogue,
                    const std::string& hostVersion)
{
    const bool v9 = is_version9(hostVersion);
    auto box = [&](int slot) -> uint8_t {
        return boxes.is_checked && boxes.is_checked(boxes.context, kControlIdBase + slot) ? 1 : 0;
    };
    debug_printf("\n");
    // A slot no box chooses keeps its value: the settings windows set the sources, and
    // a member only another version has is kept for that version.
    for (int i = 0; i < kSlotCount; ++i)
        if (const int from = choosing_box(i, v9); from >= 0) selections->sel[i] = box(from);
    log_slots("CopySelections", *selections, catalogue);
    debug_printf("\n");
}

int write_selections(AppWindow* owner, Selections* selections, const Catalogue& catalogue)
{
    bool changed = false;
    for (int i = 0; i < kSlotCount; ++i) {
        if (selections->ini[i] != selections->sel[i]) {
            selections->ini[i] = selections->sel[i];
            changed = true;
        }
    }
    log_slots("write_selections", *selections, catalogue);
    char version[9] = {};
    std::memcpy(version, selections->version, 8);
    if (!changed && g_config.version == version) return 1;

    copy_text(selections->version, sizeof selections->version, g_config.version.c_str());
    uint8_t raw[kSelectionsSize];
    encode_selections(*selections, raw);
    return atomic_write_reported(owner, g_config.iniFile, [&](FILE* f) { std::fwrite(raw, 1, kSelectionsSize, f); });
}

#include "app/host_checks.h"

#include <vector>

#include "base/config.h"
#include "base/log.h"
#include "catalogue/catalogue.h"
#include "platform/platform.h"

namespace {

constexpr uint32_t kFixedFileInfoSignature = 0xFEEF04BD;

}  // namespace

int get_host_version(Config* config)
{
    if (config->hostVersion.empty()) {
        FixedFileInfo info;
        if (!g_platform.file_version("kestrl.exe", &info)) return 0;
        if (info.signature != kFixedFileInfoSignature) return 0;
        config->hostVersion =
            format_bounded(32, "%d.%d.%d.%d", int(info.file_version_ms >> 16), int(info.file_version_ms & 0xFFFF),
                           int(info.file_version_ls >> 16), int(info.file_version_ls & 0xFFFF));
    }
    log_printf("\nKESTRL version is %s\n\n", config->hostVersion.c_str());
    return 1;
}

int version_refused(const std::string& hostVersion) { return compare_version_text(hostVersion, "8.5.0.39") > 0; }

int host_running()
{
    std::vector<std::string> names;
    if (!g_platform.process_names(&names)) return 1;
    for (const std::string& name : names)
        if (name.find("kestrl.exe") != std::string::npos) return 1;
    return 0;
}

void choose_master_slot(Config* config)
{
    config->masterSlot = compare_version_text(config->hostVersion, "7.06") >= 0 ? 10 : 9;
}

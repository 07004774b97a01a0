#include "catalogue/catalogue.h"

#include <cstdlib>
#include <cstring>
#include <iterator>

#include "base/path_text.h"
#include "catalogue/hosts.h"

namespace {

// One slot as the catalogue lists it. Where version 9 of the logging program names a
// file differently, the `..._v9` field holds its name; null means "as before".
struct SlotRow {
    int slot = -1;
    const char* title = nullptr;
    const char* host = nullptr;  // null: nothing to download
    const char* remotePath = nullptr;
    const char* remote_path_v9 = nullptr;
    const char* targetPath = nullptr;
    const char* target_path_v9 = nullptr;
    bool secure = false;
    bool required = false;
    uint8_t selected = 0;  // selected by default, or the list ID of a membership list
    bool enabled = false;
    bool dropped_in_v9 = false;  // offered to the older versions only
};

constexpr const char* kAwardsZip = "kestrl/awards/download/kestrl_awd.zip";
constexpr const char* kAwardsZip9 = "kestrl/awards/download/kestrl9_awd.zip";
constexpr const char* kCountryZip = "kestrl/download/kestrl_cty.zip";
constexpr const char* kCountryZip9 = "kestrl/download/kestrl9_cty.zip";

// Every slot, in slot order. A slot installed from another slot's download names that
// download as its remote path and has no host: only slots with a host are fetched.
constexpr SlotRow kRows[] = {
    {.slot = kSlotAddresses,
     .title = "Manager Addresses (ADDRESS)",
     .remotePath = kCountryZip,
     .remote_path_v9 = kCountryZip9,
     .targetPath = "CTYTexts\\address.txt"},
    {.slot = kSlotAwards,
     .title = "Custom Awards (AWD)",
     .host = kHostUpdater,
     .remotePath = kAwardsZip,
     .remote_path_v9 = kAwardsZip9,
     .targetPath = "SAVE\\kestrl.awd",
     .target_path_v9 = "SAVE\\custawds.dat",
     .required = true,
     .selected = 1,
     .enabled = true},
    {.slot = kSlotAwardsMap,
     .title = "Custom Awards Map (AWDMAP)",
     .remotePath = kAwardsZip,
     .remote_path_v9 = kAwardsZip9,
     .targetPath = "SAVE\\awdmap.txt"},
    {.slot = kSlotAwardsText,
     .title = "Custom Awards (AWDTXT)",
     .remotePath = kAwardsZip,
     .remote_path_v9 = kAwardsZip9,
     .targetPath = "SAVE\\custawds.txt"},
    {.slot = kSlotCalendar,
     .title = "Calendar (CAL)",
     .targetPath = "SAVE\\KESTRL.CAL",
     .target_path_v9 = "SAVE\\calendar.dat",
     .enabled = true},
    {.slot = kSlotCountry,
     .title = "Country File (CTY)",
     .host = kHostCountryFiles,
     .remotePath = kCountryZip,
     .remote_path_v9 = kCountryZip9,
     .targetPath = "SAVE\\kestrl.cty",
     .target_path_v9 = "SAVE\\country.dat",
     .required = true,
     .selected = 1,
     .enabled = true},
    {.slot = kSlotUpdater,
     .title = "KESTRL Data Updater",
     .host = kHostUpdater,
     .remotePath = "kestrl/updater/download/kstlupd.exe",
     .targetPath = "kstlupd.exe",
     .selected = 1,
     .enabled = true},
    {.slot = kSlotIota,
     .title = "IOTA Islands (XML)",
     .host = kHostIota,
     .remotePath = "xml/fulllist.xml",
     .targetPath = "SAVE\\fulllist.xml"},
    {.slot = kSlotNodesKeepAlive,
     .title = "DX Cluster Nodes (with keep-alive)",
     .host = kHostClusterNodes,
     .remotePath = "telnet/KESTRL.KCP",
     .targetPath = "SAVE\\KESTRL.TCP",
     .target_path_v9 = "SAVE\\clusters.txt",
     .enabled = true,
     .dropped_in_v9 = true},
    {.slot = kSlotMasterOld, .title = "Master Callsigns (MAS)", .targetPath = "KESTRL.MAS", .enabled = true},
    {.slot = kSlotMaster,
     .title = "Master Callsigns (MAS1)",
     .targetPath = "KESTRL.MAS1",
     .target_path_v9 = "SAVE\\mstrcals.dat",
     .enabled = true},
    {.slot = kSlotMembership,
     .title = "Membership List (MAS2)",
     .targetPath = "KESTRL.MAS2",
     .target_path_v9 = "SAVE\\members.dat",
     .enabled = true},
    {.slot = kSlotCallExceptions,
     .title = "Callsign Exceptions (NCALL)",
     .remotePath = kCountryZip,
     .remote_path_v9 = kCountryZip9,
     .targetPath = "CTYTexts\\ncall.txt"},
    {.slot = kSlotEntities,
     .title = "DXCC Entities (NPREFIX)",
     .remotePath = kCountryZip,
     .remote_path_v9 = kCountryZip9,
     .targetPath = "CTYTexts\\nprefix.txt"},
    {.slot = kSlotPrefixMappings,
     .title = "Prefix Mappings (NSUFFIX)",
     .remotePath = kCountryZip,
     .remote_path_v9 = kCountryZip9,
     .targetPath = "CTYTexts\\nsuffix.txt"},
    {.slot = kSlotPrefixMap, .title = "ADIF Prefix Map (PMP)", .targetPath = "IMPORT\\adif.pmp", .required = true},
    {.slot = kSlotQslManagers,
     .title = "QSL Managers (QSL)",
     .remotePath = kCountryZip,
     .remote_path_v9 = kCountryZip9,
     .targetPath = "CTYTexts\\qslmgr.txt"},
    {.slot = kSlotNodes,
     .title = "DX Cluster Nodes (TCP)",
     .host = kHostClusterNodes,
     .remotePath = "telnet/KESTRL.TCP",
     .targetPath = "SAVE\\KESTRL.TCP",
     .target_path_v9 = "SAVE\\clusters.txt",
     .required = true,
     .selected = 1,
     .enabled = true},
    {.slot = kSlotWpx,
     .title = "CQ WPX Honor Roll (WPX)",
     .host = kHostUpdater,
     .remotePath = "kestrl/WPX/KESTRL.WPX",
     .targetPath = "SAVE\\KESTRL.WPX",
     .target_path_v9 = "SAVE\\wpxdeltd.txt",
     .required = true,
     .selected = 1,
     .enabled = true},
    {.slot = kSlotClubLog,
     .title = "Club Log",
     .host = kHostClubLog,
     .remotePath = "clublog.scp.zip",
     .targetPath = "UPDATE\\clublog.scp",
     .secure = true,
     .selected = 1,
     .enabled = true},
    {.slot = kSlotSuperCheck,
     .title = "Super Check Partial",
     .host = kHostSuperCheck,
     .remotePath = "MASTER.LIS",
     .targetPath = "UPDATE\\MASTER.LIS",
     .selected = 1,
     .enabled = true},
    {.slot = kSlotEqsl,
     .title = "eQSL",
     .host = kHostEqsl,
     .remotePath = "qslcard/DownloadedFiles/AGMemberList.txt",
     .targetPath = "UPDATE\\AGMemberList.txt",
     .selected = 'E',
     .enabled = true},
    {.slot = kSlotLotw,
     .title = "ARRL LoTW",
     .host = kHostLotw,
     .remotePath = "lotw/lotw1.txt",
     .targetPath = "UPDATE\\lotw1.txt",
     .selected = 'L',
     .enabled = true},
    {.slot = kSlotOqrs,
     .title = "On-line QSL Request",
     .host = kHostClubLists,
     .remotePath = "lists/OQRS.txt",
     .targetPath = "UPDATE\\OQRS.txt",
     .selected = 'O',
     .enabled = true},
    {.slot = kSlotCwOps,
     .title = "CW Ops",
     .host = kHostClubLists,
     .remotePath = "lists/CWOPS_csv2.txt",
     .targetPath = "UPDATE\\CWOPS_csv2.txt",
     .enabled = true},
    {.slot = kSlotCustomList, .title = "Custom", .targetPath = "member.txt"},
    {.slot = kSlotCalendarSource,
     .title = "425 DX Calendar",
     .host = kHostCalendar,
     .remotePath = "kestrl.php",
     .targetPath = "UPDATE\\kestrl.php",
     .selected = 1,
     .enabled = true},
};
static_assert(std::size(kRows) == kSlotCount);
static_assert([] {
    for (size_t i = 0; i < std::size(kRows); ++i)
        if (kRows[i].slot != int(i)) return false;
    return true;
}());

}  // namespace

int compare_version_text(const std::string& a, const char* b)
{
    return std::strcmp(a.c_str(), b);  // strcmp compares as unsigned char
}

long version_major(const std::string& version) { return std::strtol(version.c_str(), nullptr, 10); }

int is_version9(const std::string& hostVersion) { return version_major(hostVersion) == 9; }

void build_catalogue(Catalogue* catalogue, const std::string& hostVersion, uint32_t masterSlot)
{
    const bool v9 = is_version9(hostVersion);
    auto& c = catalogue->slot;
    for (auto& s : c) s = DataSource{};

    for (const SlotRow& row : kRows) {
        DataSource& s = c[row.slot];
        s.title = row.title;
        s.host = row.host;
        s.remotePath = v9 && row.remote_path_v9 ? row.remote_path_v9 : row.remotePath;
        s.secure = row.secure;
        s.required = row.required;
        s.selected = row.selected;
        s.enabled = row.enabled && !(v9 && row.dropped_in_v9);
        s.targetPath = v9 && row.target_path_v9 ? row.target_path_v9 : row.targetPath;
    }

    // Every row is filled; the slots this version leaves empty are emptied here.
    for (int i = 0; i < kSlotCount; ++i) {
        if (left_empty(i, v9)) c[i] = DataSource{};
        else if (const int box = choosing_box(i, v9); box >= 0 && box != i) c[i].selected = c[box].selected;
    }

    if (compare_version_text(hostVersion, "8") < 0) {
        for (int s : group_sources(kSlotMembership)) c[s].selected = 0;
        c[kSlotMembership].enabled = 0;
    }

    for (int i = 0; i < kSlotCount; ++i) {
        if (i == kSlotCustomList) c[i].downloadPath = c[i].targetPath;
        else if (c[i].remotePath) c[i].downloadPath = join_path("UPDATE", fileNamePart(c[i].remotePath));
    }

    const int master = int(masterSlot) == kSlotMasterOld ? kSlotMasterOld : kSlotMaster;
    catalogue->mainList = {kSlotAwards,     kSlotCalendar, kSlotCountry,        kSlotIota, master,
                           kSlotMembership, kSlotNodes,    kSlotNodesKeepAlive, kSlotWpx};
    // A derived target is chosen when any of its sources is.
    for (int target : catalogue->mainList) {
        const std::span<const int> sources = group_sources(target);
        if (sources.empty()) continue;
        c[target].selected = 0;
        for (int s : sources)
            if (c[s].selected) c[target].selected = 1;
    }
}

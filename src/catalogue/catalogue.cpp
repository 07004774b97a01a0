#include "catalogue/catalogue.h"

#include <cstdlib>
#include <cstring>

#include "base/path_text.h"
#include "catalogue/hosts.h"

namespace {

struct SlotFill {
    const char* title;
    const char* host;
    const char* remotePath;
    uint8_t secure, required, selected, enabled;
};

void fill(DataSource* s, const SlotFill& f, std::string target)
{
    s->title = f.title;
    s->host = f.host;
    s->remotePath = f.remotePath;
    s->secure = f.secure;
    s->required = f.required;
    s->selected = f.selected;
    s->enabled = f.enabled;
    s->targetPath = std::move(target);
}

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

    const char* awards = v9 ? "kestrl/awards/download/kestrl9_awd.zip" : "kestrl/awards/download/kestrl_awd.zip";
    const char* country = v9 ? "kestrl/download/kestrl9_cty.zip" : "kestrl/download/kestrl_cty.zip";
    const char* nodeFile = v9 ? "clusters.txt" : "KESTRL.TCP";

    // Every row is filled; the slots this version leaves empty are emptied below.
    fill(&c[kSlotAddresses], {"Manager Addresses (ADDRESS)", nullptr, country, 0, 0, 0, 0},
         join_path("CTYTexts", "address.txt"));
    fill(&c[kSlotAwards], {"Custom Awards (AWD)", kHostUpdater, awards, 0, 1, 1, 1},
         join_path("SAVE", v9 ? "custawds.dat" : "kestrl.awd"));
    fill(&c[kSlotAwardsMap], {"Custom Awards Map (AWDMAP)", nullptr, awards, 0, 0, 0, 0},
         join_path("SAVE", "awdmap.txt"));
    fill(&c[kSlotAwardsText], {"Custom Awards (AWDTXT)", nullptr, awards, 0, 0, 0, 0},
         join_path("SAVE", "custawds.txt"));
    fill(&c[kSlotCalendar], {"Calendar (CAL)", nullptr, nullptr, 0, 0, 0, 1},
         join_path("SAVE", v9 ? "calendar.dat" : "KESTRL.CAL"));
    fill(&c[kSlotCountry], {"Country File (CTY)", kHostCountryFiles, country, 0, 1, 1, 1},
         join_path("SAVE", v9 ? "country.dat" : "kestrl.cty"));
    fill(&c[kSlotUpdater], {"KESTRL Data Updater", kHostUpdater, "kestrl/updater/download/kstlupd.exe", 0, 0, 1, 1},
         "kstlupd.exe");
    fill(&c[kSlotIota], {"IOTA Islands (XML)", kHostIota, "xml/fulllist.xml", 0, 0, 0, 0},
         join_path("SAVE", "fulllist.xml"));
    fill(&c[kSlotNodesKeepAlive],
         {"DX Cluster Nodes (with keep-alive)", kHostClusterNodes, "telnet/KESTRL.KCP", 0, 0, 0, uint8_t(v9 ? 0 : 1)},
         join_path("SAVE", nodeFile));
    fill(&c[kSlotMasterOld], {"Master Callsigns (MAS)", nullptr, nullptr, 0, 0, 0, 1}, "KESTRL.MAS");
    fill(&c[kSlotMaster], {"Master Callsigns (MAS1)", nullptr, nullptr, 0, 0, 0, 1},
         v9 ? join_path("SAVE", "mstrcals.dat") : std::string("KESTRL.MAS1"));
    fill(&c[kSlotMembership], {"Membership List (MAS2)", nullptr, nullptr, 0, 0, 0, 1},
         v9 ? join_path("SAVE", "members.dat") : std::string("KESTRL.MAS2"));
    fill(&c[kSlotCallExceptions], {"Callsign Exceptions (NCALL)", nullptr, country, 0, 0, 0, 0},
         join_path("CTYTexts", "ncall.txt"));
    fill(&c[kSlotEntities], {"DXCC Entities (NPREFIX)", nullptr, country, 0, 0, 0, 0},
         join_path("CTYTexts", "nprefix.txt"));
    fill(&c[kSlotPrefixMappings], {"Prefix Mappings (NSUFFIX)", nullptr, country, 0, 0, 0, 0},
         join_path("CTYTexts", "nsuffix.txt"));
    fill(&c[kSlotPrefixMap], {"ADIF Prefix Map (PMP)", nullptr, nullptr, 0, 1, 0, 0}, join_path("IMPORT", "adif.pmp"));
    fill(&c[kSlotQslManagers], {"QSL Managers (QSL)", nullptr, country, 0, 0, 0, 0},
         join_path("CTYTexts", "qslmgr.txt"));
    fill(&c[kSlotNodes], {"DX Cluster Nodes (TCP)", kHostClusterNodes, "telnet/KESTRL.TCP", 0, 1, 1, 1},
         join_path("SAVE", nodeFile));
    fill(&c[kSlotWpx], {"CQ WPX Honor Roll (WPX)", kHostUpdater, "kestrl/WPX/KESTRL.WPX", 0, 1, 1, 1},
         join_path("SAVE", v9 ? "wpxdeltd.txt" : "KESTRL.WPX"));
    fill(&c[kSlotClubLog], {"Club Log", kHostClubLog, "clublog.scp.zip", 1, 0, 1, 1},
         join_path("UPDATE", "clublog.scp"));
    fill(&c[kSlotSuperCheck], {"Super Check Partial", kHostSuperCheck, "MASTER.LIS", 0, 0, 1, 1},
         join_path("UPDATE", "MASTER.LIS"));
    fill(&c[kSlotEqsl], {"eQSL", kHostEqsl, "qslcard/DownloadedFiles/AGMemberList.txt", 0, 0, 'E', 1},
         join_path("UPDATE", "AGMemberList.txt"));
    fill(&c[kSlotLotw], {"ARRL LoTW", kHostLotw, "lotw/lotw1.txt", 0, 0, 'L', 1}, join_path("UPDATE", "lotw1.txt"));
    fill(&c[kSlotOqrs], {"On-line QSL Request", kHostClubLists, "lists/OQRS.txt", 0, 0, 'O', 1},
         join_path("UPDATE", "OQRS.txt"));
    fill(&c[kSlotCwOps], {"CW Ops", kHostClubLists, "lists/CWOPS_csv2.txt", 0, 0, 0, 1},
         join_path("UPDATE", "CWOPS_csv2.txt"));
    fill(&c[kSlotCustomList], {"Custom", nullptr, nullptr, 0, 0, 0, 0}, "member.txt");
    fill(&c[kSlotCalendarSource], {"425 DX Calendar", kHostCalendar, "kestrl.php", 0, 0, 1, 1},
         join_path("UPDATE", "kestrl.php"));

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

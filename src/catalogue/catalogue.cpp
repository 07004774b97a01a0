#include "catalogue/catalogue.h"

#include <cstdlib>
#include <cstring>

#include "catalogue/hosts.h"

namespace {

std::string last_component(const char* path)
{
    const char* cut = nullptr;
    for (const char* p = path; *p; ++p)
        if (*p == '/' || *p == '\\') cut = p;
    return cut ? std::string(cut + 1) : std::string(path);
}

std::string in_folder(const char* folder, const std::string& name) { return std::string(folder) + "\\" + name; }

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

    fill(&c[1], {"Custom Awards (AWD)", kHostUpdater, awards, 0, 1, 1, 1},
         in_folder("SAVE", v9 ? "custawds.dat" : "kestrl.awd"));
    fill(&c[5], {"Country File (CTY)", kHostCountryFiles, country, 0, 1, 1, 1},
         in_folder("SAVE", v9 ? "country.dat" : "kestrl.cty"));
    const uint8_t ctySel = c[5].selected;
    if (v9) {
        fill(&c[0], {"Manager Addresses (ADDRESS)", nullptr, country, 0, 0, ctySel, 0},
             in_folder("CTYTexts", "address.txt"));
        fill(&c[2], {"Custom Awards Map (AWDMAP)", nullptr, awards, 0, 0, 0, 0}, in_folder("SAVE", "awdmap.txt"));
        fill(&c[3], {"Custom Awards (AWDTXT)", nullptr, awards, 0, 0, 0, 0}, in_folder("SAVE", "custawds.txt"));
        fill(&c[12], {"Callsign Exceptions (NCALL)", nullptr, country, 0, 0, ctySel, 0},
             in_folder("CTYTexts", "ncall.txt"));
        fill(&c[13], {"DXCC Entities (NPREFIX)", nullptr, country, 0, 0, ctySel, 0},
             in_folder("CTYTexts", "nprefix.txt"));
        fill(&c[14], {"Prefix Mappings (NSUFFIX)", nullptr, country, 0, 0, ctySel, 0},
             in_folder("CTYTexts", "nsuffix.txt"));
        fill(&c[16], {"QSL Managers (QSL)", nullptr, country, 0, 0, ctySel, 0}, in_folder("CTYTexts", "qslmgr.txt"));
    } else {
        fill(&c[15], {"ADIF Prefix Map (PMP)", nullptr, nullptr, 0, 1, ctySel, 0}, in_folder("IMPORT", "adif.pmp"));
    }
    fill(&c[4], {"Calendar (CAL)", nullptr, nullptr, 0, 0, 0, 1},
         in_folder("SAVE", v9 ? "calendar.dat" : "KESTRL.CAL"));
    fill(&c[6], {"KESTRL Data Updater", kHostUpdater, "kestrl/updater/download/kstlupd.exe", 0, 0, 1, 1},
         "kstlupd.exe");
    fill(&c[7], {"IOTA Islands (XML)", kHostIota, "xml/fulllist.xml", 0, 0, 0, 0}, in_folder("SAVE", "fulllist.xml"));
    const char* nodeFile = v9 ? "clusters.txt" : "KESTRL.TCP";
    fill(&c[8],
         {"DX Cluster Nodes (with keep-alive)", kHostClusterNodes, "telnet/KESTRL.KCP", 0, 0, 0, uint8_t(v9 ? 0 : 1)},
         in_folder("SAVE", nodeFile));
    fill(&c[9], {"Master Callsigns (MAS)", nullptr, nullptr, 0, 0, 0, 1}, "KESTRL.MAS");
    fill(&c[10], {"Master Callsigns (MAS1)", nullptr, nullptr, 0, 0, 0, 1},
         v9 ? in_folder("SAVE", "mstrcals.dat") : std::string("KESTRL.MAS1"));
    fill(&c[11], {"Membership List (MAS2)", nullptr, nullptr, 0, 0, 0, 1},
         v9 ? in_folder("SAVE", "members.dat") : std::string("KESTRL.MAS2"));
    fill(&c[17], {"DX Cluster Nodes (TCP)", kHostClusterNodes, "telnet/KESTRL.TCP", 0, 1, 1, 1},
         in_folder("SAVE", nodeFile));
    fill(&c[18], {"CQ WPX Honor Roll (WPX)", kHostUpdater, "kestrl/WPX/KESTRL.WPX", 0, 1, 1, 1},
         in_folder("SAVE", v9 ? "wpxdeltd.txt" : "KESTRL.WPX"));
    fill(&c[19], {"Club Log", kHostClubLog, "clublog.scp.zip", 1, 0, 1, 1}, in_folder("UPDATE", "clublog.scp"));
    fill(&c[20], {"Super Check Partial", kHostSuperCheck, "MASTER.LIS", 0, 0, 1, 1}, in_folder("UPDATE", "MASTER.LIS"));
    fill(&c[21], {"eQSL", kHostEqsl, "qslcard/DownloadedFiles/AGMemberList.txt", 0, 0, 'E', 1},
         in_folder("UPDATE", "AGMemberList.txt"));
    fill(&c[22], {"ARRL LoTW", kHostLotw, "lotw/lotw1.txt", 0, 0, 'L', 1}, in_folder("UPDATE", "lotw1.txt"));
    fill(&c[23], {"On-line QSL Request", kHostClubLists, "lists/OQRS.txt", 0, 0, 'O', 1},
         in_folder("UPDATE", "OQRS.txt"));
    fill(&c[24], {"CW Ops", kHostClubLists, "lists/CWOPS_csv2.txt", 0, 0, 0, 1}, in_folder("UPDATE", "CWOPS_csv2.txt"));
    fill(&c[25], {"Custom", nullptr, nullptr, 0, 0, 0, 0}, "member.txt");
    fill(&c[26], {"425 DX Calendar", kHostCalendar, "kestrl.php", 0, 0, 1, 1}, in_folder("UPDATE", "kestrl.php"));

    if (compare_version_text(hostVersion, "8") < 0) {
        for (int s : kMembershipSources) c[s].selected = 0;
        c[kSlotMembership].enabled = 0;
    }

    for (int i = 0; i < kSlotCount; ++i) {
        if (i == kSlotCustomList) c[i].downloadPath = c[i].targetPath;
        else if (c[i].remotePath) c[i].downloadPath = in_folder("UPDATE", last_component(c[i].remotePath));
    }

    c[kSlotCalendar].selected = c[kSlotCalendarSource].selected ? 1 : 0;
    const int master = masterSlot == 9 ? kSlotMasterOld : kSlotMaster;
    c[master].selected = (c[kSlotClubLog].selected || c[kSlotSuperCheck].selected) ? 1 : 0;
    uint8_t anyMember = 0;
    for (int s : kMembershipSources) anyMember |= c[s].selected ? 1 : 0;
    c[kSlotMembership].selected = anyMember;

    catalogue->mainList = {1, 4, 5, 7, master, 11, 17, 8, 18};
}

// The files the converters write from generated and from published lists, pinned by
// checksums recorded from an earlier, independently built version: whatever orders
// and de-duplicates the records must give the same bytes, logs included.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "calendar/calendar_file.h"
#include "calls/master_file.h"
#include "calls/membership_file.h"
#include "catalogue/catalogue.h"
#include "catalogue/selections.h"
#include "nodes/node_merge.h"
#include "support/app_fixture.h"

namespace {

std::string fnv(const std::string& bytes)
{
    uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char c : bytes) h = (h ^ c) * 0x100000001b3ull;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

struct Random {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    uint32_t below(uint32_t n)
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<uint32_t>(state >> 16) % n;
    }
};

const char* const kListFiles[] = {"UPDATE/clublog.scp", "UPDATE/MASTER.LIS", "UPDATE/AGMemberList.txt", "UPDATE/lotw1.txt",
                                  "UPDATE/OQRS.txt", "UPDATE/CWOPS_csv2.txt", "member.txt"};

// A list line from a small universe, so that lists overlap and repeat: suffixes,
// lower case, slashed zeros, trailing junk, refused and over-long texts.
std::string call_line(Random* r)
{
    static const char* const kTails[] = {"", "", "", "", "/P", "/MM", "/QRP", "/M1", "/5", " .", "/KIWI"};
    std::string call{char('A' + r->below(26))};
    if (r->below(2)) call += char('A' + r->below(26));
    call += char('0' + r->below(10));
    for (uint32_t i = 0, n = 1 + r->below(3); i < n; ++i) call += char('A' + r->below(4));
    call = (r->below(9) == 0 ? "VP2E/" : "") + call + kTails[r->below(11)];
    switch (r->below(24)) {
    case 0: for (char& c : call) c = char(std::tolower(c)); break;
    case 1: call[call.size() / 2] = char(0xD8); break;
    case 2: call = "SWL-" + call; break;
    case 3: call += std::string(70, 'K'); break;
    case 4: call = ""; break;
    default: break;
    }
    return call;
}

class RecordedOutputs : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        g_config.hostVersion = "9.0.0.1";
        g_config.masterSlot = 10;
        build_catalogue(&catalogue);
        g_config.catalogue = &catalogue;
        g_config.selections = &selections;
        make_dir("SAVE");
        make_dir("UPDATE");
    }
    // Master and membership files of the lists now in place, with their count lines.
    std::string call_files()
    {
        g_config.debug = 1;
        const size_t log_start = log_text().size();
        const char ids[] = {1, 1, 'E', 'L', 'O', 'L', 'U'};
        for (int i = 0; i < 7; ++i) selections.sel[19 + i] = uint8_t(ids[i]);
        EXPECT_EQ(writeMasterFile(nullptr, kSlotMaster, catalogue) + writeMembershipFile(nullptr, kSlotMembership, catalogue), 2);
        std::string counts, log = log_text().substr(log_start);
        for (const char* part : {" calls from ", " calls to "})
            for (size_t at = log.find(part); at != std::string::npos; at = log.find(part, at + 1))
                counts += log.substr(log.rfind('\n', at) + 1, log.find('\n', at) - log.rfind('\n', at));
        return fnv(read_file("SAVE/mstrcals.dat")) + " " + fnv(read_file("SAVE/members.dat")) + " " + fnv(counts);
    }
    std::string realdata(const char* name)
    {
        const char* dir = std::getenv("KSTLUPD_REALDATA");
        std::string path = std::string(dir && *dir ? dir : KSTLUPD_SOURCE_DIR "/../shared/realdata") + "/" + name;
        return path_exists(path) ? read_file(path) : std::string();
    }
    Catalogue catalogue;
    Selections selections;
};

}  // namespace

TEST_F(RecordedOutputs, CallsignLists)
{
    Random r;
    for (int f = 0; f < 7; ++f) {
        std::string text;
        for (int i = 0; i < 12000; ++i)
            text += (f == 1 ? std::to_string(i) + " " : "") + call_line(&r) + (f == 5 ? ",Name,12,Town" : "") +
                    (r.below(5) ? "\r\n" : "\n");
        write_file(kListFiles[f], text);
    }
    EXPECT_EQ(call_files(), "2f123989e9d2c9f2 99f8a0976e58ef00 89d20100842e6459");

    const char* names[] = {"clublog.scp.2022-12.crlf.txt", "MASTER.SCP.2022-06-03.crlf.txt",
                           "AGMemberList.2019-10-20.crlf.txt", "lotw1.2019-10.crlf.txt",
                           "lotw-user-activity.2020-09-20.head2MB.csv", "cwops-callhistory.2024-01-26.csv",
                           "cwops-roster.2014-12.crlf.csv"};
    for (int f = 0; f < 7; ++f) {
        std::string text = realdata(names[f]);
        if (text.empty()) GTEST_SKIP() << "shared sample data not found";
        for (size_t at = 0; f == 1 && at != std::string::npos; at = text.find('\n', at + 3)) text.insert(at ? at + 1 : 0, "1 ");
        write_file(kListFiles[f], text);
    }
    EXPECT_EQ(call_files(), "6034f6a98836d680 a459c53117809f82 85b9c2333dc064c3");
}

TEST_F(RecordedOutputs, NodeListsAndCalendar)
{
    Random r;
    std::string lines[2];
    for (int i = 0; i < 1000; ++i) {
        std::string call = "N" + std::to_string(r.below(1500)) + (r.below(3) ? "" : "-" + std::to_string(r.below(9)));
        std::string line = call + (r.below(4) ? "" : ">l" + std::to_string(r.below(3))) + ",h" +
                           std::to_string(r.below(4)) + ":23" + (r.below(3) ? "" : "|x" + std::to_string(r.below(2)));
        if (r.below(40) == 0) line = "http://" + line;
        lines[r.below(2)] += line + "\r\n";
    }
    write_file("SAVE/KESTRL.TCP", "FAV1,f:1\r\n" + lines[1] + "LOCAL,127.0.0.1:1\r\nVERSION,1\r\n");
    write_file("UPDATE/KESTRL.TCP", lines[0] + realdata("dxcluster-nodes.2025-11.crlf.txt") + "\r\nVERSION,2\r\n");
    g_config.autoMode = 1;
    DataSource source{.downloadPath = "UPDATE\\KESTRL.TCP", .targetPath = "SAVE\\KESTRL.TCP"};
    EXPECT_GT(mergeNodeList(nullptr, source), 1);
    std::string nodes = fnv(read_file("SAVE/KESTRL.TCP")) + " " + fnv(log_text());

    std::string json = "\xEF\xBB\xBF[";
    for (int i = 0; i < 6000; ++i) {
        char element[160];
        std::snprintf(element, sizeof element, "%s{\"s\":\"%d-%d-%d\",\"e\":\"%d/%d/%d\",\"t\":\"T%u\\r\\n%s\"%s}",
                      i ? "," : "", 2020 + int(r.below(8)), 1 + int(r.below(r.below(50) ? 12 : 14)),
                      1 + int(r.below(3)), 2020 + int(r.below(8)), 1 + int(r.below(12)), 1 + int(r.below(28)),
                      r.below(800), r.below(2) ? "x" : "", r.below(30) ? "" : ",\"n\":1");
        json += r.below(200) ? element : (i ? ",7" : "7");
    }
    write_file("UPDATE/kestrl.php", json + "]");
    selections.sel[kSlotCalendarSource] = 1;
    ASSERT_EQ(write_calendar(nullptr, kSlotCalendar, catalogue), 1);
    EXPECT_EQ(nodes + " " + fnv(read_file("SAVE/calendar.dat")) + " " + fnv(log_text()),
              "09e868cf7321c683 f6e8fdd68b1bb672 d5842eec44d7093b f121dff7570ec632");
}

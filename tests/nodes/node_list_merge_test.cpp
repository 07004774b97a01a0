// Merges of whole node lists: a generated list of a few hundred nodes, and the real
// published list of DX cluster nodes when the shared sample data is at hand.
#include <algorithm>
#include <cstdlib>
#include <random>
#include <set>

#include "nodes/node_file.h"
#include "nodes/node_merge.h"
#include "nodes/node_test_files.h"
#include "support/app_fixture.h"

namespace {

std::vector<std::string> split_crlf(const std::string& bytes)
{
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find("\r\n", pos);
        if (end == std::string::npos) {
            lines.push_back("<unterminated>" + bytes.substr(pos));
            break;
        }
        lines.push_back(bytes.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

// A count as the debug lines show it, in three places at least.
std::string three(int n)
{
    char text[16];
    std::snprintf(text, sizeof text, "%3d", n);
    return text;
}

std::string callsign_of(const std::string& line)
{
    return line.substr(0, line.find_first_of(">,|"));
}

class NodeListMergeTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        make_dir("SAVE");
        make_dir("UPDATE");
        source.title = "DX Cluster Nodes (with keep-alive)";
        source.downloadPath = "UPDATE\\KESTRL.KCP";
        source.targetPath = "SAVE\\clusters.txt";
        g_config.autoMode = 1;
        g_config.debug = 1;
    }
    std::string debug_count(const char* what)
    {
        std::string log = log_text();
        std::string key = std::string("TCP nodes ") + what;
        size_t at = log.find(key);
        if (at == std::string::npos) return "<none>";
        return log.substr(at, log.find('\n', at) - at);
    }
    // The folder with the shared sample data, or empty when it is not here.
    std::string realdata_dir()
    {
        std::string dir;
        if (const char* env = std::getenv("KSTLUPD_REALDATA"); env && *env) {
            dir = env;
            if (dir[0] != '/') dir = folder.previous + "/" + dir;
        } else {
            dir = std::string(KSTLUPD_SOURCE_DIR) + "/../shared/realdata";
        }
        return path_exists(dir + "/dxcluster-nodes.2025-11.crlf.txt") ? dir : std::string();
    }

    DataSource source;
};

}  // namespace

TEST_F(NodeListMergeTest, FewHundredPublishedNodesAgainstAUserFileWithLocalNodes)
{
    const char* prefixes[] = {"DL", "G", "K", "VE", "JA", "OK", "PA", "ON", "W", "ZL", "EA", "I"};
    std::vector<std::string> published;
    for (int i = 0; i < 400; ++i) {
        std::string call = prefixes[i % 12] + std::to_string(i) + (i % 3 == 0 ? "-" + std::to_string(i % 9 + 1) : "");
        std::string line = call;
        if (i % 10 == 0) line += ">" + call.substr(0, call.find('-'));
        line += i % 7 == 0 ? ",203.0.113." + std::to_string(i % 250) + ":23" : ",dx" + std::to_string(i) + ".example.net:7300";
        if (i % 4 == 0) line += "|keepalive";
        published.push_back(line);
    }

    std::vector<std::string> user;
    const std::string favourite = published[137];
    user.push_back(callsign_of(favourite) + ",old-favourite.example:23");
    user.push_back("RBN,telnet.rbn.example:7000");
    user.push_back("LOCAL,127.0.0.1:7300|mine");
    user.push_back("MyLocal-2,dx.home.example:7300");
    user.push_back("HOMECLUSTER,192.168.1.30:7300");
    user.push_back("Xlocal9,10.0.0.9:23");
    int matched = 0, changed = 1, known = 1;
    for (int i = 0; i < 300; ++i) {
        if (i % 6 == 5 || i == 137) continue;
        ++known;
        if (i % 5 == 0) {
            user.push_back(callsign_of(published[i]) + ",stale" + std::to_string(i) + ".example:23|old");
            changed += 1 + (i % 10 == 0);  // the published link is new to these too
        } else {
            // Same link and address; the extra text follows the publisher.
            std::string line = published[i];
            user.push_back(line.substr(0, line.find('|')) + (i % 4 == 1 ? "|user" : ""));
            ++matched;
        }
    }
    for (int j = 0; j < 40; ++j) user.push_back("QX" + std::to_string(j) + ",gone" + std::to_string(j) + ".example:23");
    user.push_back("VERSION,2025.10");
    write_file("SAVE/clusters.txt", crlf_lines(user));

    std::vector<std::string> shuffled = published;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    shuffled.push_back("VERSION,2025.11");
    write_file("UPDATE/KESTRL.KCP", crlf_lines(shuffled));

    int result = mergeNodeList(nullptr, source);

    std::vector<std::string> lines = split_crlf(read_file("SAVE/clusters.txt"));
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(result, int(lines.size()) - 1);
    EXPECT_EQ(lines[0], favourite);
    EXPECT_EQ(lines[1], "RBN,telnet.rbn.example:7000");
    EXPECT_EQ(lines[2], "LOCAL,127.0.0.1:7300|mine");
    EXPECT_EQ(lines.back(), "VERSION,2025.11");

    std::vector<std::string> rest(lines.begin() + 3, lines.end() - 1);
    EXPECT_TRUE(std::adjacent_find(rest.begin(), rest.end(), [](const std::string& a, const std::string& b) {
                    return callsign_of(a) >= callsign_of(b);
                }) == rest.end());
    std::set<std::string> expected(published.begin(), published.end());
    expected.erase(favourite);
    expected.insert({"MyLocal-2,dx.home.example:7300", "HOMECLUSTER,192.168.1.30:7300", "Xlocal9,10.0.0.9:23"});
    EXPECT_EQ(std::set<std::string>(rest.begin(), rest.end()), expected);
    EXPECT_EQ(rest.size(), expected.size());

    EXPECT_EQ(debug_count("matched"), "TCP nodes matched: " + three(matched));
    EXPECT_EQ(debug_count("added"), "TCP nodes added:   " + three(400 - known));
    EXPECT_EQ(debug_count("deleted"), "TCP nodes deleted:  41");
    EXPECT_EQ(debug_count("changed"), "TCP nodes changed: " + three(changed));
    EXPECT_NE(log_text().find("DEBUG:\t    Wrote " + std::to_string(result) + " telnet nodes to SAVE\\clusters.txt\n"),
              std::string::npos);
    EXPECT_EQ(log_text().find("ERROR:"), std::string::npos);
}

TEST_F(NodeListMergeTest, RealPublishedListIsReadWithItsDuplicates)
{
    std::string dir = realdata_dir();
    if (dir.empty()) GTEST_SKIP() << "shared sample data not found";
    std::string bytes = read_file(dir + "/dxcluster-nodes.2025-11.crlf.txt");
    write_file("UPDATE/KESTRL.KCP", bytes);

    NodeVersion version{};
    NodeSet set = read_tcp(nullptr, "UPDATE\\KESTRL.KCP", &version);
    ASSERT_TRUE(set);
    std::string log = log_text();
    EXPECT_NE(log.find("DEBUG:\t    Read 335 telnet nodes from UPDATE\\KESTRL.KCP\n"), std::string::npos);
    size_t duplicates = 0;
    for (size_t at = log.find("ERROR:\tDuplicate node callsign: "); at != std::string::npos;
         at = log.find("ERROR:\tDuplicate node callsign: ", at + 1))
        ++duplicates;
    EXPECT_EQ(duplicates, 15u);
    EXPECT_NE(log.find("ERROR:\tDuplicate node callsign: HA6DX>:DX.HU:9000\n"), std::string::npos);
    EXPECT_EQ(log.find("read_tcp() -- Something wrong"), std::string::npos);
    EXPECT_EQ(version[0], '\0');

    EXPECT_EQ(in_order(set.get()).size(), 320u);
    EXPECT_EQ(findNode(set.get(), "HA6DX")->address, "dx.hu:9000");
    EXPECT_EQ(findNode(set.get(), "K7AR")->address, "K7AR.NET,7300");
    EXPECT_EQ(findNode(set.get(), "4Z5LZ-2")->ordinal, 0u);
    // Every line written back is a line of the published file.
    std::vector<std::string> original = split_crlf(bytes + "\r\n");
    std::set<std::string> known(original.begin(), original.end());
    for (const std::string& line : split_crlf(written_set(set.get()))) EXPECT_TRUE(known.count(line)) << line;
}

TEST_F(NodeListMergeTest, RealPublishedListMergedIntoAUserFile)
{
    std::string dir = realdata_dir();
    if (dir.empty()) GTEST_SKIP() << "shared sample data not found";
    std::string bytes = read_file(dir + "/dxcluster-nodes.2025-11.crlf.txt");
    write_file("UPDATE/KESTRL.KCP", bytes);
    write_file("SAVE/clusters.txt", crlf_lines({
                                        "MY1FAV-1,cluster.home.example:7300",
                                        "GB7DJK,gb7djk.dxcluster.net:7300",
                                        "VE7CC,old.ve7cc.example:23",
                                        "RBN,telnet.reversebeacon.net:7000",
                                        "LOCAL,127.0.0.1:7300",
                                        "SHACK,192.168.0.5:8000",
                                        "ZZ0GONE,gone.example:23",
                                        "VERSION,2024-01",
                                    }));

    int result = mergeNodeList(nullptr, source);
    // Favourite, RBN, LOCAL, the shack node and the 320 published callsigns.
    EXPECT_EQ(result, 324);
    std::vector<std::string> lines = split_crlf(read_file("SAVE/clusters.txt"));
    ASSERT_EQ(lines.size(), 325u);
    EXPECT_EQ(lines[0], "MY1FAV-1,cluster.home.example:7300");
    EXPECT_EQ(lines[1], "RBN,telnet.reversebeacon.net:7000");
    EXPECT_EQ(lines[2], "LOCAL,127.0.0.1:7300");
    EXPECT_EQ(lines[3], "4Z5LZ-2,cqplanet.com:7300");
    EXPECT_EQ(lines.back(), "VERSION,2024-01");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "VE7CC,DXC.VE7CC.NET:23"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "SHACK,192.168.0.5:8000"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "HA6DX,dx.hu:9000"), lines.end());
    EXPECT_EQ(std::find(lines.begin(), lines.end(), "ZZ0GONE,gone.example:23"), lines.end());
    EXPECT_EQ(debug_count("matched"), "TCP nodes matched:   1");
    EXPECT_EQ(debug_count("added"), "TCP nodes added:   318");
    EXPECT_EQ(debug_count("deleted"), "TCP nodes deleted:   2");
    EXPECT_EQ(debug_count("changed"), "TCP nodes changed:   1");

    // Merging the same download again changes nothing.
    std::string first = read_file("SAVE/clusters.txt");
    EXPECT_EQ(mergeNodeList(nullptr, source), 324);
    EXPECT_EQ(read_file("SAVE/clusters.txt"), first);
}

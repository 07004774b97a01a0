#include <cerrno>
#include <cstring>

#include "nodes/node_merge.h"
#include "nodes/node_test_files.h"
#include "support/app_fixture.h"

namespace {

class NodeMergeTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        make_dir("SAVE");
        make_dir("UPDATE");
        source.title = "DX Cluster Nodes (TCP)";
        source.downloadPath = "UPDATE\\KESTRL.TCP";
        source.targetPath = "SAVE\\KESTRL.TCP";
    }
    void installed(const std::vector<std::string>& lines) { write_file("SAVE/KESTRL.TCP", crlf_lines(lines)); }
    void published(const std::vector<std::string>& lines) { write_file("UPDATE/KESTRL.TCP", crlf_lines(lines)); }
    std::string result() { return read_file("SAVE/KESTRL.TCP"); }
    // The log without the lines that only -debug writes.
    std::string debug_lines()
    {
        std::string log = log_text(), out;
        size_t pos = 0;
        while (pos < log.size()) {
            size_t end = log.find('\n', pos);
            std::string line = log.substr(pos, end - pos + 1);
            if (line.starts_with("DEBUG:")) out += line;
            pos = end + 1;
        }
        return out;
    }

    DataSource source;
};

std::string counts(int matched, int added, int deleted, int changed)
{
    char text[400];
    std::snprintf(text, sizeof text,
                  "DEBUG:\t    TCP nodes matched: %3d\nDEBUG:\t    TCP nodes added:   %3d\n"
                  "DEBUG:\t    TCP nodes deleted: %3d\nDEBUG:\t    TCP nodes changed: %3d\n",
                  matched, added, deleted, changed);
    return text;
}

}  // namespace

TEST_F(NodeMergeTest, NoInstalledFileTakesTheDownloadAsItIs)
{
    std::string bytes = "B,b\nA,a\r\nno version line";
    write_file("UPDATE/KESTRL.TCP", bytes);
    EXPECT_EQ(mergeNodeList(nullptr, source), 1);
    EXPECT_EQ(result(), bytes);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(NodeMergeTest, AFailedFirstCopyIsReportedAndNotCountedAsAnUpdate)
{
    // No download to copy.
    EXPECT_EQ(mergeNodeList(nullptr, source), 0);
    EXPECT_FALSE(path_exists("SAVE/KESTRL.TCP"));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Can't copy UPDATE\\KESTRL.TCP to SAVE\\KESTRL.TCP\nError Code = 2");
    EXPECT_EQ(dialogs.shown[0].title, "CopyFile");

    // The target's name is taken by a folder: nothing is copied into or over it.
    published({"A,a"});
    make_dir("SAVE/KESTRL.TCP");
    EXPECT_EQ(mergeNodeList(nullptr, source), 0);
    EXPECT_EQ(dialogs.shown.size(), 2u);
    EXPECT_FALSE(path_exists("SAVE/KESTRL.TCP/KESTRL.TCP"));
    EXPECT_NE(log_text().find("ERROR:\tCan't copy UPDATE\\KESTRL.TCP to SAVE\\KESTRL.TCP\nError Code = "),
              std::string::npos);
}

TEST_F(NodeMergeTest, OnlyExtraTextChangedCountsAllAsMatched)
{
    g_config.debug = 1;
    installed({"GB7DJK>x,gb7djk.example:7300|old", "AE5E,dxspots.example:23", "W1NR,w1nr.example:23|keep"});
    published({"AE5E,dxspots.example:23|new", "W1NR,w1nr.example:23", "GB7DJK>x,gb7djk.example:7300|fresh",
               "VERSION,20251130"});
    EXPECT_EQ(mergeNodeList(nullptr, source), 3);
    EXPECT_EQ(result(), crlf_lines({"GB7DJK>x,gb7djk.example:7300|fresh", "AE5E,dxspots.example:23|new",
                                    "W1NR,w1nr.example:23", "VERSION,20251130"}));
    EXPECT_EQ(debug_lines(), "DEBUG:\t    Read 3 telnet nodes from SAVE\\KESTRL.TCP\n"
                             "DEBUG:\t    Read 3 telnet nodes from UPDATE\\KESTRL.TCP\n" +
                                 counts(3, 0, 0, 0) + "DEBUG:\t    Wrote 3 telnet nodes to SAVE\\KESTRL.TCP\n");
    EXPECT_FALSE(path_exists("SAVE/KESTRL.TCP.~new"));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(NodeMergeTest, FavouriteRbnAndLocalLeadThenTheRestInOrder)
{
    g_config.debug = 1;
    installed({"ZZ9FAV,fav.example:7300", "M0OLD,old.example:23", "LOCAL,127.0.0.1:7300", "RBN,rbn.example:7000",
               "A1AA,a.example:23", "VERSION,old"});
    published({"A1AA,a.example:23", "B2BB,b.example:23", "LOCAL,127.0.0.1:7300|pub", "0ZERO,z.example:23"});
    EXPECT_EQ(mergeNodeList(nullptr, source), 6);
    // The favourite is gone from the download but stays first; RBN is deleted but
    // still written second. The download has no version line: the installed one stays.
    EXPECT_EQ(result(), crlf_lines({"ZZ9FAV,fav.example:7300", "RBN,rbn.example:7000", "LOCAL,127.0.0.1:7300|pub",
                                    "0ZERO,z.example:23", "A1AA,a.example:23", "B2BB,b.example:23",
                                    "VERSION,old"}));
    std::string debug = debug_lines();
    EXPECT_NE(debug.find("DEBUG:\t        NEW: 0ZERO>:z.example:23\n"), std::string::npos);
    EXPECT_NE(debug.find("DEBUG:\t        NEW: B2BB>:b.example:23\n"), std::string::npos);
    EXPECT_NE(debug.find("DEBUG:\t        DELETED: M0OLD>,old.example:23\n"), std::string::npos);
    EXPECT_NE(debug.find("DEBUG:\t        DELETED: RBN>,rbn.example:7000\n"), std::string::npos);
    // Deletions are logged in callsign order.
    EXPECT_LT(debug.find("DELETED: M0OLD"), debug.find("DELETED: RBN"));
    EXPECT_NE(debug.find(counts(2, 2, 2, 0)), std::string::npos);
    EXPECT_NE(debug.find("DEBUG:\t    Wrote 6 telnet nodes to SAVE\\KESTRL.TCP\n"), std::string::npos);
}

TEST_F(NodeMergeTest, FavouriteThatIsRbnOrLocalIsWrittenOnce)
{
    installed({"RBN,rbn.example:7000", "LOCAL,192.168.1.2:7300", "K1AA,k.example:23"});
    published({"K1AA,k.example:23", "RBN,rbn.example:7000|new"});
    EXPECT_EQ(mergeNodeList(nullptr, source), 3);
    EXPECT_EQ(result(), crlf_lines({"RBN,rbn.example:7000|new", "LOCAL,192.168.1.2:7300", "K1AA,k.example:23",
                                    "VERSION,"}));

    installed({"LOCAL,localhost:7300", "RBN,rbn.example:7000", "K1AA,k.example:23"});
    published({"K1AA,k.example:23", "RBN,rbn.example:7000", "LOCAL,dx.example:7300|pub"});
    EXPECT_EQ(mergeNodeList(nullptr, source), 3);
    EXPECT_EQ(result(), crlf_lines({"LOCAL,localhost:7300", "RBN,rbn.example:7000", "K1AA,k.example:23",
                                    "VERSION,"}));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(NodeMergeTest, UnlistedNodesSurviveOnlyAsLocalOnes)
{
    g_config.debug = 1;
    installed({"FAV,10.0.0.1:23", "HOME,192.168.0.10:7300", "LOOP,127.0.0.1:7300", "LAN10,10.1.1.1:7300",
               "MyLocal1,dx.example:23", "XlocalX,dx.example:23", "LoCaL,dx.example:23", "Local,x:1",
               "NEAR,192.169.0.1:23|e", "LOOPISH,127.1.0.1:23", "KEEP,k.example:23"});
    published({"KEEP,k.example:23"});
    EXPECT_EQ(mergeNodeList(nullptr, source), 7);
    EXPECT_EQ(result(), crlf_lines({"FAV,10.0.0.1:23", "HOME,192.168.0.10:7300", "KEEP,k.example:23",
                                    "LOOP,127.0.0.1:7300", "Local,x:1", "MyLocal1,dx.example:23",
                                    "XlocalX,dx.example:23", "VERSION,"}));
    std::string debug = debug_lines();
    EXPECT_NE(debug.find("DEBUG:\t        DELETED: NEAR>,192.169.0.1:23|e\n"), std::string::npos);
    EXPECT_NE(debug.find(counts(1, 0, 4, 0)), std::string::npos);
}

TEST_F(NodeMergeTest, LocalKeepsTheUsersValuesUnlessLinkAndAddressAreEqual)
{
    g_config.debug = 1;
    installed({"FAV,f:1", "LOCAL>mine,127.0.0.1:7300|user"});
    published({"FAV,f:1", "LOCAL>theirs,127.0.0.1:7300|pub"});
    EXPECT_EQ(mergeNodeList(nullptr, source), 2);
    EXPECT_EQ(result(), crlf_lines({"FAV,f:1", "LOCAL>mine,127.0.0.1:7300|user", "VERSION,"}));
    EXPECT_NE(debug_lines().find(counts(1, 0, 0, 0)), std::string::npos);

    installed({"FAV,f:1", "LOCAL,127.0.0.1:7300|user"});
    published({"FAV,f:1", "LOCAL,127.0.0.1:7301|pub"});
    EXPECT_EQ(mergeNodeList(nullptr, source), 2);
    EXPECT_EQ(result(), crlf_lines({"FAV,f:1", "LOCAL,127.0.0.1:7300|user", "VERSION,"}));

    installed({"FAV,f:1", "LOCAL>l,127.0.0.1:7300|user"});
    published({"FAV,f:1", "LOCAL>l,127.0.0.1:7300"});
    EXPECT_EQ(mergeNodeList(nullptr, source), 2);
    EXPECT_EQ(result(), crlf_lines({"FAV,f:1", "LOCAL>l,127.0.0.1:7300", "VERSION,"}));
}

TEST_F(NodeMergeTest, ChangedLinksAndAddressesTakeThePublishersValues)
{
    g_config.debug = 1;
    installed({"FAV>old,f.example:23|a", "BOTH,b.example:23", "ADDR>k,old.example:23", "GONE,,x:1",
               "EMPTY>,e.example:23"});
    published({"FAV>new,f.example:23", "BOTH>n,b2.example:23|pub", "ADDR>k,new.example:23|x", "GONE,x:1",
               "EMPTY,e.example:23"});
    EXPECT_EQ(mergeNodeList(nullptr, source), 5);
    // An absent link differs from an empty one, both ways.
    EXPECT_EQ(result(), crlf_lines({"FAV>new,f.example:23", "ADDR>k,new.example:23|x", "BOTH>n,b2.example:23|pub",
                                    "EMPTY,e.example:23", "GONE,x:1", "VERSION,"}));
    std::string debug = debug_lines();
    EXPECT_NE(debug.find("DEBUG:\t        CHANGE: FAV>[old]:f.example:23 => FAV>[new]:f.example:23\n"),
              std::string::npos);
    EXPECT_NE(debug.find("DEBUG:\t        CHANGE: BOTH>[]:b.example:23|pub => BOTH>[n]:b2.example:23|pub\n"),
              std::string::npos);
    EXPECT_NE(debug.find("DEBUG:\t        CHANGE: BOTH>n:[b.example:23]|pub => BOTH>n:[b2.example:23]|pub\n"),
              std::string::npos);
    EXPECT_NE(debug.find("DEBUG:\t        CHANGE: ADDR>k:[old.example:23]|x => ADDR>k:[new.example:23]|x\n"),
              std::string::npos);
    EXPECT_NE(debug.find("DEBUG:\t        CHANGE: GONE>:[,x:1] => GONE>:[x:1]\n"), std::string::npos);
    EXPECT_NE(debug.find("DEBUG:\t        CHANGE: EMPTY>[]:e.example:23 => EMPTY>[]:e.example:23\n"),
              std::string::npos);
    EXPECT_NE(debug.find(counts(0, 0, 0, 6)), std::string::npos);
}

TEST_F(NodeMergeTest, AFileWithoutNodesLeavesTheInstalledFileAlone)
{
    std::string old = crlf_lines({"VERSION,1", "http://x.example/,y"});
    write_file("SAVE/KESTRL.TCP", old);
    published({"A,a"});
    EXPECT_EQ(mergeNodeList(nullptr, source), 0);
    EXPECT_EQ(result(), old);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "SAVE\\KESTRL.TCP did not contain any valid Telnet nodes!");
    EXPECT_EQ(dialogs.shown[0].title, "No nodes");
    EXPECT_EQ(dialogs.shown[0].style, kMbIconError | kMbTopmost);

    installed({"A,a"});
    published({"VERSION,2"});
    EXPECT_EQ(mergeNodeList(nullptr, source), 0);
    EXPECT_EQ(result(), crlf_lines({"A,a"}));
    EXPECT_EQ(dialogs.shown.back().text, "UPDATE\\KESTRL.TCP did not contain any valid Telnet nodes!");
    EXPECT_NE(log_text().find("ERROR:\tUPDATE\\KESTRL.TCP did not contain any valid Telnet nodes!\n"),
              std::string::npos);
}

TEST_F(NodeMergeTest, AnUnreadableDownloadIsReportedTwice)
{
    installed({"A,a"});
    EXPECT_EQ(mergeNodeList(nullptr, source), 0);
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].title, "File Open");
    EXPECT_EQ(dialogs.shown[1].title, "No nodes");
    EXPECT_EQ(result(), crlf_lines({"A,a"}));
}

TEST_F(NodeMergeTest, AFailedWriteLeavesTheInstalledFileUnchanged)
{
    std::string old = crlf_lines({"FAV,f:1", "B,b:1", "VERSION,1"});
    write_file("SAVE/KESTRL.TCP", old);
    published({"FAV,f:2", "C,c:1", "VERSION,2"});

    // A full disk: every write fails once the stream is flushed.
    g_platform.open_file = [](const char* path, const char* mode) -> FILE* {
        if (std::strchr(mode, 'w')) return std::fopen("/dev/full", mode);
        return std::fopen(native_platform().native_path(path).c_str(), mode);
    };
    EXPECT_EQ(mergeNodeList(nullptr, source), 0);
    EXPECT_EQ(result(), old);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Error opening SAVE\\KESTRL.TCP:\nNo space left on device");

    // The new file cannot be created at all.
    g_platform.open_file = [](const char* path, const char* mode) -> FILE* {
        if (std::strchr(mode, 'w')) {
            errno = EACCES;
            return nullptr;
        }
        return std::fopen(native_platform().native_path(path).c_str(), mode);
    };
    EXPECT_EQ(mergeNodeList(nullptr, source), 0);
    EXPECT_EQ(result(), old);
    EXPECT_EQ(dialogs.shown.back().text, "Error opening SAVE\\KESTRL.TCP:\nPermission denied");

    // The rename over the old file fails.
    g_platform.open_file = platform_guard.saved.open_file;
    g_platform.move_file = [](const char*, const char*) { return 0; };
    EXPECT_EQ(mergeNodeList(nullptr, source), 0);
    EXPECT_EQ(result(), old);
    EXPECT_FALSE(path_exists("SAVE/KESTRL.TCP.~new"));
    EXPECT_NE(log_text().find("ERROR:\tError opening SAVE\\KESTRL.TCP:\n"), std::string::npos);
}

TEST_F(NodeMergeTest, OutputVersionLineComesFromTheDownloadFirst)
{
    installed({"A,a", "VERSION,user"});
    published({"A,a", "VERSION,first", "VERSION,publisher"});
    EXPECT_EQ(mergeNodeList(nullptr, source), 1);
    EXPECT_EQ(result(), crlf_lines({"A,a", "VERSION,publisher"}));
    // The merged file is merged again without change.
    published({"A,a"});
    EXPECT_EQ(mergeNodeList(nullptr, source), 1);
    EXPECT_EQ(result(), crlf_lines({"A,a", "VERSION,publisher"}));
}

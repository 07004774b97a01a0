#include <cstdlib>
#include <cstring>

#include "base/log.h"
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
        g_config.debug = 1;
    }
    void installed(const std::vector<std::string>& lines) { write_file("SAVE/KESTRL.TCP", crlf_lines(lines)); }
    void published(const std::vector<std::string>& lines) { write_file("UPDATE/KESTRL.TCP", crlf_lines(lines)); }
    std::string result() { return read_file("SAVE/KESTRL.TCP"); }
    bool logged(const std::string& text) { return log_text().find(text) != std::string::npos; }

    DataSource source{.downloadPath = "UPDATE\\KESTRL.TCP", .targetPath = "SAVE\\KESTRL.TCP"};
};

std::string counts(int matched, int added, int deleted, int changed)
{
    return format_bounded(kMessageSize,
                          "DEBUG:\t    TCP nodes matched: %3d\nDEBUG:\t    TCP nodes added:   %3d\n"
                          "DEBUG:\t    TCP nodes deleted: %3d\nDEBUG:\t    TCP nodes changed: %3d\n",
                          matched, added, deleted, changed);
}

// Writes fail as on a full disk, or the file cannot be created at all.
bool refuse_create = false;
FILE* open_failing_writes(const char* path, const char* mode)
{
    if (!std::strchr(mode, 'w')) return std::fopen(native_platform().native_path(path).c_str(), mode);
    if (!refuse_create) return std::fopen("/dev/full", mode);
    g_platform.set_last_error(kErrorAccessDenied);
    return nullptr;
}

}  // namespace

TEST_F(NodeMergeTest, NoInstalledFileTakesTheDownloadAsItIsAndAFailedCopyIsReported)
{
    EXPECT_EQ(mergeNodeList(nullptr, source), 0);
    EXPECT_FALSE(path_exists("SAVE/KESTRL.TCP"));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Can't copy UPDATE\\KESTRL.TCP to SAVE\\KESTRL.TCP\nError Code = 2");
    EXPECT_EQ(dialogs.shown[0].title, "CopyFile");

    write_file("UPDATE/KESTRL.TCP", "B,b\nA,a\r\nno version line");
    EXPECT_EQ(mergeNodeList(nullptr, source), 1);
    EXPECT_EQ(result(), "B,b\nA,a\r\nno version line");
}

TEST_F(NodeMergeTest, FavouriteRbnAndLocalLeadThenTheRestInOrder)
{
    installed({"ZZ9FAV,fav.example:7300", "M0OLD,old.example:23", "LOCAL,127.0.0.1:7300", "RBN,rbn.example:7000",
               "A1AA,a.example:23", "VERSION,old"});
    published({"A1AA,a.example:23", "B2BB,b.example:23", "LOCAL,127.0.0.1:7300|pub", "0ZERO,z.example:23"});
    EXPECT_EQ(mergeNodeList(nullptr, source), 6);
    // The favourite is gone from the download but stays first; RBN is deleted but
    // still written second. The download has no version line: the installed one stays.
    EXPECT_EQ(result(), crlf_lines({"ZZ9FAV,fav.example:7300", "RBN,rbn.example:7000", "LOCAL,127.0.0.1:7300|pub",
                                    "0ZERO,z.example:23", "A1AA,a.example:23", "B2BB,b.example:23", "VERSION,old"}));
    EXPECT_TRUE(logged("DEBUG:\t        NEW: 0ZERO>:z.example:23\n"));
    EXPECT_TRUE(logged("DEBUG:\t        DELETED: M0OLD>,old.example:23\n"
                       "DEBUG:\t        DELETED: RBN>,rbn.example:7000\n" +
                       counts(2, 2, 2, 0)));

    // A favourite that is RBN or LOCAL is written once.
    installed({"RBN,rbn.example:7000", "LOCAL,192.168.1.2:7300", "K1AA,k.example:23"});
    published({"K1AA,k.example:23", "RBN,rbn.example:7000|new"});
    EXPECT_EQ(mergeNodeList(nullptr, source), 3);
    EXPECT_EQ(result(),
              crlf_lines({"RBN,rbn.example:7000|new", "LOCAL,192.168.1.2:7300", "K1AA,k.example:23", "VERSION,"}));
}

TEST_F(NodeMergeTest, UnlistedNodesSurviveOnlyAsLocalOnes)
{
    installed({"FAV,10.0.0.1:23", "HOME,192.168.0.10:7300", "LOOP,127.0.0.1:7300", "LAN10,10.1.1.1:7300",
               "MyLocal1,dx.example:23", "XlocalX,dx.example:23", "LoCaL,dx.example:23", "Local,x:1",
               "NEAR,192.169.0.1:23|e", "LOOPISH,127.1.0.1:23", "KEEP,k.example:23"});
    published({"KEEP,k.example:23"});
    EXPECT_EQ(mergeNodeList(nullptr, source), 7);
    EXPECT_EQ(result(),
              crlf_lines({"FAV,10.0.0.1:23", "HOME,192.168.0.10:7300", "KEEP,k.example:23", "LOOP,127.0.0.1:7300",
                          "Local,x:1", "MyLocal1,dx.example:23", "XlocalX,dx.example:23", "VERSION,"}));
    EXPECT_TRUE(logged("DEBUG:\t        DELETED: NEAR>,192.169.0.1:23|e\n"));
    EXPECT_TRUE(logged(counts(1, 0, 4, 0)));
}

TEST_F(NodeMergeTest, ChangedLinksAndAddressesTakeThePublishersValuesExceptForLocal)
{
    installed({"FAV>old,f.example:23|a", "BOTH,b.example:23", "GONE,,x:1", "EMPTY>,e.example:23",
               "LOCAL>mine,127.0.0.1:7300|user", "SAME>x,s.example:23|old", "W1NR,w.example:23|keep"});
    published({"FAV>new,f.example:23", "BOTH>n,b2.example:23|pub", "GONE,x:1", "EMPTY,e.example:23",
               "LOCAL>theirs,127.0.0.1:7300|pub", "SAME>x,s.example:23|new", "W1NR,w.example:23", "VERSION,first",
               "VERSION,20251130"});
    EXPECT_EQ(mergeNodeList(nullptr, source), 7);
    // An absent link differs from an empty one, both ways. LOCAL keeps all of the
    // user's values unless link and address are the publisher's. Only the extra text
    // changed: matched, and the publisher's (or none) taken.
    EXPECT_EQ(result(), crlf_lines({"FAV>new,f.example:23", "LOCAL>mine,127.0.0.1:7300|user",
                                    "BOTH>n,b2.example:23|pub", "EMPTY,e.example:23", "GONE,x:1",
                                    "SAME>x,s.example:23|new", "W1NR,w.example:23", "VERSION,20251130"}));
    EXPECT_TRUE(logged("DEBUG:\t        CHANGE: FAV>[old]:f.example:23 => FAV>[new]:f.example:23\n"));
    EXPECT_TRUE(logged("DEBUG:\t        CHANGE: BOTH>[]:b.example:23|pub => BOTH>[n]:b2.example:23|pub\n"
                       "DEBUG:\t        CHANGE: BOTH>n:[b.example:23]|pub => BOTH>n:[b2.example:23]|pub\n"));
    EXPECT_TRUE(logged("DEBUG:\t        CHANGE: GONE>:[,x:1] => GONE>:[x:1]\n"));
    EXPECT_TRUE(logged(counts(2, 0, 0, 5) + "DEBUG:\t    Wrote 7 telnet nodes to SAVE\\KESTRL.TCP\n"));

    installed({"FAV,f:1", "LOCAL>l,127.0.0.1:7300|user"});
    published({"FAV,f:1", "LOCAL>l,127.0.0.1:7300"});
    EXPECT_EQ(mergeNodeList(nullptr, source), 2);
    EXPECT_EQ(result(), crlf_lines({"FAV,f:1", "LOCAL>l,127.0.0.1:7300", "VERSION,"}));
}

TEST_F(NodeMergeTest, AFileWithoutNodesLeavesTheInstalledFileAlone)
{
    installed({"VERSION,1", "http://x.example/,y"});
    published({"A,a"});
    EXPECT_EQ(mergeNodeList(nullptr, source), 0);
    EXPECT_EQ(result(), crlf_lines({"VERSION,1", "http://x.example/,y"}));
    installed({"A,a"});
    published({"VERSION,2"});
    EXPECT_EQ(mergeNodeList(nullptr, source), 0);
    std::remove("UPDATE/KESTRL.TCP");
    EXPECT_EQ(mergeNodeList(nullptr, source), 0);
    EXPECT_EQ(result(), crlf_lines({"A,a"}));
    ASSERT_EQ(dialogs.shown.size(), 4u);
    EXPECT_EQ(dialogs.shown[0].text, "SAVE\\KESTRL.TCP did not contain any valid Telnet nodes!");
    EXPECT_EQ(dialogs.shown[1].text, "UPDATE\\KESTRL.TCP did not contain any valid Telnet nodes!");
    // A download that cannot be read is reported as such, then as holding no nodes.
    EXPECT_EQ(dialogs.shown[2].text, "Error opening UPDATE\\KESTRL.TCP:\nNo such file or directory");
    EXPECT_EQ(dialogs.shown[3].text, dialogs.shown[1].text);
}

TEST_F(NodeMergeTest, AFailedWriteLeavesTheInstalledFileUnchanged)
{
    installed({"FAV,f:1", "B,b:1", "VERSION,1"});
    published({"FAV,f:2", "C,c:1", "VERSION,2"});
    g_platform.open_file = open_failing_writes;
    for (bool refuse : {false, true}) {
        refuse_create = refuse;
        EXPECT_EQ(mergeNodeList(nullptr, source), 0);
        EXPECT_EQ(result(), crlf_lines({"FAV,f:1", "B,b:1", "VERSION,1"}));
        EXPECT_TRUE(logged(std::string("ERROR:\tError opening SAVE\\KESTRL.TCP:\n") +
                           (refuse ? "Permission denied" : "No space left on device")));
    }
}

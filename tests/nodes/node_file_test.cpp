#include "nodes/node_file.h"
#include "nodes/node_test_files.h"
#include "support/app_fixture.h"

namespace {

class NodeFileTest : public AppTest {
protected:
    NodeSet read_bytes(const std::string& bytes)
    {
        make_dir("UPDATE");
        write_file("UPDATE/list.tcp", bytes);
        return read_tcp(nullptr, "UPDATE\\list.tcp", &version);
    }

    NodeVersion version{};
};

}  // namespace

TEST_F(NodeFileTest, SeparatorsMayStandInAnyOrderAndAreWrittenInTheUsualOne)
{
    // LF, CR LF and a last line without an end are all lines; a lone CR ends the text.
    NodeSet set = read_bytes("ABC|e,addr>l\nPLAIN,addr\r\nEMPTYLINK>,a\r\nEMPTYEXTRA,a|\r\nK7AR,K7AR.NET,7300\r\n"
                             ",noname\r\nTWO>l1>l2,a|x|y\rignored\nC,c");
    ASSERT_TRUE(set);
    EXPECT_EQ(written_set(set.get()), crlf_lines({",noname", "ABC>l,addr|e", "C,c", "EMPTYEXTRA,a|", "EMPTYLINK>,a",
                                                  "K7AR,K7AR.NET,7300", "PLAIN,addr", "TWO>l1>l2,a|x|y"}));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(NodeFileTest, VersionLinesSetTheVersionTextAndTakeNoOrdinal)
{
    g_config.debug = 1;
    NodeSet set = read_bytes(crlf_lines({"VERSION,1", "http://bad,x", "nocomma", "", "FIRST,a", "VERSION>a,7",
                                         "FIRST,dup", "SECOND,b", "VERSION,2025-11-30 12:00:00 UTC|x"}));
    ASSERT_TRUE(set);
    EXPECT_EQ(std::string(version.data()), "2025-11-30 12:0");
    // Version, rejected and empty lines take no ordinal; the duplicate uses up 1.
    EXPECT_EQ(findNode(set.get(), "FIRST")->ordinal, 0u);
    EXPECT_EQ(findNode(set.get(), "SECOND")->ordinal, 2u);
    // A file without node lines gives no set; a shorter version leaves nothing of the longer.
    EXPECT_FALSE(read_bytes(crlf_lines({"VERSION,9"})));
    EXPECT_EQ(std::string(version.data(), version.size()), "9" + std::string(15, '\0'));
    EXPECT_EQ(log_text(), "read_tcp() -- Something wrong with: http://bad,x\n"
                          "read_tcp() -- Something wrong with: nocomma\n"
                          "ERROR:\tDuplicate node callsign: FIRST>:dup\n"
                          "DEBUG:\t    Read 3 telnet nodes from UPDATE\\list.tcp\n"
                          "DEBUG:\t    Read 0 telnet nodes from UPDATE\\list.tcp\n");
}

TEST_F(NodeFileTest, LongLinesAreTakenInPiecesOf259Characters)
{
    // 259 characters exactly, then the line end: one node, no empty piece reported.
    std::string exact = "EXACT," + std::string(259 - 6, 'e');
    // Longer lines: the first 259 characters are one piece, the rest a line of its own.
    std::string split_node = "LONG," + std::string(259 - 5, 'x') + "TAIL,t";
    std::string no_comma = "BROKEN," + std::string(259 - 7, 'y') + "zzzz";
    NodeSet set = read_bytes(crlf_lines({exact, split_node, no_comma}));
    ASSERT_TRUE(set);
    EXPECT_EQ(findNode(set.get(), "EXACT")->address.size(), 253u);
    EXPECT_EQ(findNode(set.get(), "LONG")->address, std::string(254, 'x'));
    EXPECT_EQ(findNode(set.get(), "TAIL")->ordinal, 2u);
    EXPECT_EQ(findNode(set.get(), "BROKEN")->ordinal, 3u);
    EXPECT_EQ(log_text(), "read_tcp() -- Something wrong with: zzzz\n");

    // A CR that falls at the end of a piece still ends the line there.
    std::string crlf_split = "EDGE," + std::string(259 - 5 - 1, 'c');
    set = read_bytes(crlf_split + "\r\nNEXT,n\r\n");
    EXPECT_EQ(written_set(set.get()), crlf_lines({crlf_split, "NEXT,n"}));
}

#include <algorithm>

#include "base/log_limit.h"
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
    // Callsigns order as unsigned bytes, case kept and distinct. A line of 259
    // characters is one piece, also when its CR is the 259th.
    const std::string exact = "EXACT," + std::string(253, 'e'), edge = "EDGE," + std::string(253, 'c');
    NodeSet set = read_bytes(exact + "\r\n" + edge + "\r\n" +
                             "ABC|e,addr>l\nPLAIN,addr\r\nEMPTYLINK>,a\r\nEMPTYEXTRA,a|\r\nK7AR,K7AR.NET,7300\r\n"
                             ",noname\r\nTWO>l1>l2,a|x|y\rignored\nC,c\nb,1\n\xE9X,2\nAB,3\nZ,4");
    FILE* written = std::fopen("written.tcp", "wb");
    ASSERT_NE(written, nullptr);
    (void)writeNodeSet(written, set);
    std::fclose(written);
    EXPECT_EQ(read_file("written.tcp"),
              crlf_lines({",noname", "AB,3", "ABC>l,addr|e", "C,c", edge, "EMPTYEXTRA,a|", "EMPTYLINK>,a", exact,
                          "K7AR,K7AR.NET,7300", "PLAIN,addr", "TWO>l1>l2,a|x|y", "Z,4", "b,1", "\xE9X,2"}));
    EXPECT_EQ(log_text(), "");
}

TEST_F(NodeFileTest, VersionRejectedAndDuplicateLinesInTheOrderOfTheFile)
{
    g_config.debug = 1;
    NodeSet set = read_bytes(
        crlf_lines({"VERSION,1", "http://bad,x", "nocomma", "", "FIRST,a", "VERSION>a,7", "FIRST>l,dup|e", "SECOND,b",
                    "after-dup", "FIRST,dup", "VERSION,2025-11-30 12:00:00 UTC|x", "SECOND," + std::string(300, 'x')}));
    EXPECT_EQ(std::string(version.data()), "2025-11-30 12:0");
    // Version, rejected and empty lines take no ordinal; a duplicate uses one up.
    EXPECT_EQ(findNode(set, "FIRST")->ordinal, 0u);
    EXPECT_EQ(findNode(set, "FIRST")->address, "a");
    EXPECT_EQ(findNode(set, "SECOND")->ordinal, 2u);
    ASSERT_EQ(dialogs.shown.size(), 3u);
    EXPECT_EQ(dialogs.shown[0].title, "Duplicate node");
    // A file without node lines gives no set; a shorter version leaves nothing of the longer.
    EXPECT_TRUE(read_bytes(crlf_lines({"VERSION,9"})).nodes.empty());
    EXPECT_EQ(std::string(version.data(), version.size()), "9" + std::string(15, '\0'));
    // A message longer than the 260-byte buffer is cut, never overrun; the rest of
    // the 300 x's is a line of its own.
    EXPECT_EQ(log_text(), "read_tcp() -- Something wrong with: http://bad,x\n"
                          "read_tcp() -- Something wrong with: nocomma\n"
                          "ERROR:\tDuplicate node callsign: FIRST>l:dup|e\n"
                          "read_tcp() -- Something wrong with: after-dup\n"
                          "ERROR:\tDuplicate node callsign: FIRST>:dup\n"
                          "ERROR:\t" +
                              ("Duplicate node callsign: SECOND>:" + std::string(300, 'x')).substr(0, 259) +
                              "\nread_tcp() -- Something wrong with: " + std::string(300 - 252, 'x') +
                              "\n"
                              "DEBUG:\t    Read 5 telnet nodes from UPDATE\\list.tcp\n"
                              "DEBUG:\t    Read 0 telnet nodes from UPDATE\\list.tcp\n");
}

TEST_F(NodeFileTest, RejectedAndDuplicateLinesAreLoggedAHundredTimesEach)
{
    g_config.autoMode = 1;
    std::string lines;
    for (int i = 0; i < 150; ++i) lines += "D,1\nbroken\n";
    EXPECT_EQ(read_bytes(lines).nodes.size(), 1u);
    std::string log = log_text();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 202);
    EXPECT_TRUE(log.ends_with("ERROR:\tDuplicate node callsign: D>:1\n"
                              "read_tcp() -- Something wrong with 50 more lines\n"
                              "ERROR:\t49 more duplicate node callsigns\n"));
}

TEST_F(NodeFileTest, ControlBytesOfTheListAreLoggedEscapedAndFewDuplicatesOpenABox)
{
    // A line meant to move the terminal's cursor and set its title, then fake a line.
    const std::string fake = "\x1B[1A\x1B]0;owned\x07Updated:  Country File (CTY)";
    std::string lines = "bad " + fake + "\x7F\r\n";
    for (int i = 0; i < 6; ++i) lines += "D\x1B[2K\x9B\xE2\x80\xAE,a\t" + std::to_string(i) + "\r\n";
    EXPECT_EQ(read_bytes(lines).nodes.size(), 1u);
    EXPECT_EQ(log_text().substr(0, log_text().find("\nERROR")),
              "read_tcp() -- Something wrong with: bad \\x1B[1A\\x1B]0;owned\\x07Updated:  Country File (CTY)\\x7F");
    EXPECT_NE(log_text().find("ERROR:\tDuplicate node callsign: D\\x1B[2K\\x9B\\xE2\\x80\\xAE>:a\t5\n"),
              std::string::npos);
    EXPECT_EQ(log_text().find('\x1B'), std::string::npos);
    ASSERT_EQ(dialogs.shown.size(), size_t(kBoxedPerKind));
    EXPECT_EQ(dialogs.shown[0].text, "Duplicate node callsign: D\\x1B[2K\\x9B\\xE2\\x80\\xAE>:a\t1");
}

// Quadratic reading of a list without line feeds takes many minutes at this size
// and runs into the test's time-out; linear reading takes well under a second.
TEST_F(NodeFileTest, AListWithoutLineFeedsIsCutIntoPieces)
{
    const size_t size = size_t(48) << 20;
    NodeSet set = read_bytes("N," + std::string(size - 2, 'x'));
    ASSERT_EQ(set.nodes.size(), 1u);
    EXPECT_EQ(set.nodes[0].address, std::string(kNodeLinePiece - 2, 'x'));
    const size_t rest = (size + kNodeLinePiece - 1) / kNodeLinePiece - 1 - kLoggedPerKind;
    EXPECT_TRUE(log_text().ends_with("read_tcp() -- Something wrong with " + std::to_string(rest) + " more lines\n"));
}

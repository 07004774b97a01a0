#include <cstring>

#include "nodes/node_file.h"
#include "nodes/node_test_files.h"
#include "support/app_fixture.h"

namespace {

class NodeFileTest : public AppTest {
protected:
    // Writes the bytes as UPDATE\list.tcp and reads them back.
    NodeSet read_bytes(const std::string& bytes)
    {
        make_dir("UPDATE");
        write_file("UPDATE/list.tcp", bytes);
        return read_tcp(nullptr, "UPDATE\\list.tcp", &version);
    }
    std::string version_text() const { return std::string(version.data()); }

    NodeVersion version{};
};

}  // namespace

TEST_F(NodeFileTest, SeparatorsMayStandInAnyOrderAndAreWrittenInTheUsualOne)
{
    NodeSet set = read_bytes(crlf_lines({
        "ABC|e,addr>l",
        "PLAIN,addr",
        "EMPTYLINK>,a",
        "EMPTYEXTRA,a|",
        "K7AR,K7AR.NET,7300",     // only the first comma separates
        ",noname",
        "TWO>l1>l2,a|x|y",
        "Mixed-Case,Host.Example:23",
    }));
    ASSERT_TRUE(set);
    EXPECT_EQ(written_set(set.get()),
              crlf_lines({",noname", "ABC>l,addr|e", "EMPTYEXTRA,a|", "EMPTYLINK>,a", "K7AR,K7AR.NET,7300",
                          "Mixed-Case,Host.Example:23", "PLAIN,addr", "TWO>l1>l2,a|x|y"}));
    const NodeEntry* plain = findNode(set.get(), "PLAIN");
    EXPECT_FALSE(plain->link.has_value());
    EXPECT_FALSE(plain->extra.has_value());
    EXPECT_EQ(findNode(set.get(), "EMPTYLINK")->link, std::optional<std::string>(""));
    EXPECT_EQ(findNode(set.get(), "ABC")->extra, std::optional<std::string>("e"));
    EXPECT_EQ(version_text(), "");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(NodeFileTest, VersionLinesSetTheVersionTextAndTakeNoOrdinal)
{
    NodeSet set = read_bytes(crlf_lines({"VERSION,1", "http://bad,x", "nocomma", "", "FIRST,a", "VERSION>a,7",
                                         "FIRST,dup", "SECOND,b", "VERSION,7|x"}));
    ASSERT_TRUE(set);
    EXPECT_EQ(version_text(), "7");
    // Version, rejected and empty lines come before the first node, which is still 0;
    // the duplicate uses up ordinal 1.
    EXPECT_EQ(findNode(set.get(), "FIRST")->ordinal, 0u);
    EXPECT_EQ(findNode(set.get(), "FIRST")->address, "a");
    EXPECT_EQ(findNode(set.get(), "SECOND")->ordinal, 2u);
    EXPECT_EQ(findNode(set.get(), "VERSION"), nullptr);
    EXPECT_EQ(log_text(), "read_tcp() -- Something wrong with: http://bad,x\n"
                          "read_tcp() -- Something wrong with: nocomma\n"
                          "ERROR:\tDuplicate node callsign: FIRST>:dup\n");
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "Duplicate node");
}

TEST_F(NodeFileTest, LongVersionIsCutToFifteenCharacters)
{
    NodeSet set = read_bytes(crlf_lines({"A,a", "VERSION,2025-11-30 12:00:00 UTC"}));
    EXPECT_EQ(version_text(), "2025-11-30 12:0");
    EXPECT_EQ(version[15], '\0');
    // A shorter version after a longer one leaves nothing of the longer behind.
    set = read_bytes(crlf_lines({"A,a", "VERSION,9"}));
    EXPECT_EQ(version_text(), "9");
    EXPECT_EQ(std::memcmp(version.data(), "9\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 16), 0);
}

TEST_F(NodeFileTest, FilesWithoutNodeLinesGiveNoSetButKeepTheirVersion)
{
    g_config.debug = 1;
    EXPECT_FALSE(read_bytes(crlf_lines({"VERSION,42"})));
    EXPECT_EQ(version_text(), "42");
    EXPECT_FALSE(read_bytes("\r\n\n\r\nhttp://x.example/,a\r\njunk\r\n"));
    EXPECT_FALSE(read_bytes(""));
    EXPECT_EQ(log_text(), "DEBUG:\t    Read 0 telnet nodes from UPDATE\\list.tcp\n"
                          "read_tcp() -- Something wrong with: http://x.example/,a\n"
                          "read_tcp() -- Something wrong with: junk\n"
                          "DEBUG:\t    Read 0 telnet nodes from UPDATE\\list.tcp\n"
                          "DEBUG:\t    Read 0 telnet nodes from UPDATE\\list.tcp\n");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(NodeFileTest, ReadsLfAndCrLfLinesAndALastLineWithoutEnd)
{
    g_config.debug = 1;
    NodeSet set = read_bytes("B,b\nA,a\r\nC,c\rignored after CR\nD,d");
    EXPECT_EQ(written_set(set.get()), crlf_lines({"A,a", "B,b", "C,c", "D,d"}));
    EXPECT_EQ(log_text(), "DEBUG:\t    Read 4 telnet nodes from UPDATE\\list.tcp\n");
}

TEST_F(NodeFileTest, LongLinesAreTakenInPiecesOf259Characters)
{
    // 259 characters exactly, then the line end: one node, no empty piece reported.
    std::string exact = "EXACT," + std::string(259 - 6, 'e');
    // A 300-character line: the first piece is a node, the rest a line of its own.
    std::string first = "LONG," + std::string(259 - 5, 'x');
    std::string split_node = first + "TAIL,t";
    std::string no_comma = "BROKEN," + std::string(259 - 7, 'y') + "zzzz";
    NodeSet set = read_bytes(crlf_lines({exact, split_node, no_comma}));
    ASSERT_TRUE(set);
    EXPECT_EQ(findNode(set.get(), "EXACT")->address.size(), 253u);
    EXPECT_EQ(findNode(set.get(), "LONG")->address, std::string(254, 'x'));
    EXPECT_EQ(findNode(set.get(), "TAIL")->address, "t");
    EXPECT_EQ(findNode(set.get(), "TAIL")->ordinal, 2u);
    EXPECT_EQ(findNode(set.get(), "BROKEN")->ordinal, 3u);
    EXPECT_EQ(log_text(), "read_tcp() -- Something wrong with: zzzz\n");

    // A CR that falls at the end of a piece still ends the line there.
    std::string crlf_split = "EDGE," + std::string(259 - 5 - 1, 'c');
    set = read_bytes(crlf_split + "\r\n" + "NEXT,n\r\n");
    EXPECT_EQ(written_set(set.get()), crlf_lines({crlf_split, "NEXT,n"}));
}

TEST_F(NodeFileTest, CaseDistinctCallsignsAreDifferentNodes)
{
    NodeSet set = read_bytes(crlf_lines({"gb7djk,lower", "GB7DJK,upper", "Gb7Djk,mixed"}));
    EXPECT_EQ(written_set(set.get()), crlf_lines({"GB7DJK,upper", "Gb7Djk,mixed", "gb7djk,lower"}));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(NodeFileTest, AFileThatCannotBeOpenedIsReported)
{
    EXPECT_FALSE(read_tcp(nullptr, "UPDATE\\missing.tcp", &version));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Error opening UPDATE\\missing.tcp:\nNo such file or directory");
    EXPECT_EQ(dialogs.shown[0].title, "File Open");
}

TEST_F(NodeFileTest, WriteNodeSetWritesOnlyPendingEntriesAndLeavesThemPending)
{
    NodeSet set = read_bytes(crlf_lines({"B,b", "A>x,a|e", "C,c"}));
    findNode(set.get(), "B")->pending = 0;
    FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(writeNodeSet(stream, set.get()), 2);
    EXPECT_EQ(writeNodeSet(stream, set.get()), 2);
    EXPECT_EQ(writeNodeSet(stream, nullptr), 0);
    std::fclose(stream);
    EXPECT_EQ(findNode(set.get(), "A")->pending, 1u);
    EXPECT_EQ(written_set(set.get()), crlf_lines({"A>x,a|e", "C,c"}));
}

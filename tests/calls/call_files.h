// Shared helpers of the callsign list tests: a logging-program folder with the
// version-9 catalogue, and decoders of the two binary files.
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/data_source.h"
#include "catalogue/selections.h"
#include "support/app_fixture.h"

class CallFilesTest : public AppTest {
protected:
    void SetUp() override;
    Catalogue catalogue;
    Selections selections;
};

// Every file opened for writing from now on is the full disk device, so its bytes
// fail when they are flushed (the fixture restores the platform table).
void fill_disk_on_write();

// A stream holding the bytes, positioned at the start.
FILE* stream_of(const std::string& bytes);

struct MasterFile {
    bool well_formed = false;       // header, runs each starting at >= 0x80, 0xFF last
    std::vector<std::string> calls;  // with bit 7 of the first byte cleared
};
MasterFile decode_master(const std::string& bytes);

struct MemberRecord {
    std::string call;
    std::string ids;
};
struct MembershipFile {
    bool well_formed = false;  // header, every length byte matching, nothing left over
    unsigned declared = 0;     // the count at offset 8
    std::vector<MemberRecord> records;
};
MembershipFile decode_membership(const std::string& bytes);

// "Read %d good, %d invalid calls from <name>" of the log, as {good, invalid};
// {-1, -1} when the line is missing.
std::pair<int, int> read_counts(const std::string& log, const std::string& name);

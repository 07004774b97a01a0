#include "platform/platform.h"

Platform g_platform = native_platform();

int errno_of_error(uint32_t code)
{
    switch (code) {
    case kErrorFileNotFound:
    case kErrorPathNotFound: return ENOENT;
    case kErrorAccessDenied:
    case kErrorSharingViolation:
    case kErrorLockViolation: return EACCES;
    case kErrorDiskFull: return ENOSPC;
    case kErrorFileExists:
    case kErrorAlreadyExists: return EEXIST;
    case kErrorBadFileType: return kErrnoNotRegularFile;
    default: return EIO;
    }
}

std::vector<int> message_box_buttons(unsigned style)
{
    switch (style & 0xF) {
    case 1: return {kIdOk, kIdCancel};
    case kMbYesNoCancel: return {kIdYes, kIdNo, kIdCancel};
    case kMbYesNo: return {kIdYes, kIdNo};
    default: return {kIdOk};
    }
}

const char* message_box_label(int id)
{
    switch (id) {
    case kIdCancel: return "Cancel";
    case kIdYes: return "Yes";
    case kIdNo: return "No";
    default: return "OK";
    }
}

int message_box_safe_answer(unsigned style)
{
    const unsigned buttons = style & 0xF;
    return buttons == kMbYesNo || buttons == kMbYesNoCancel ? kIdNo : kIdOk;
}

std::string one_line_report(const char* title, const char* text)
{
    std::string line = std::string(title) + ": ";
    for (const char* p = text; *p; ++p) {
        if (*p != '\n') line += *p;
        else if (p[1] != '\n' && line.back() != ' ') line += ' ';
    }
    return line;
}

#include "pipeline/download_checks.h"

#include "calendar/calendar_file.h"
#include "calls/list_check.h"
#include "catalogue/slots.h"
#include "files/content_checks.h"
#include "files/zip_members.h"
#include "nodes/node_check.h"

DownloadCheck download_check(int slot)
{
    switch (slot) {
    case kSlotAwards:
    case kSlotCountry:
    case kSlotClubLog: return check_zip_archive;
    case kSlotSuperCheck:
        return [](const char* path, std::string* why) {
            return check_not_web_page(path, why) && check_call_list(path, CallListForm::SecondToken, why);
        };
    case kSlotEqsl:
    case kSlotLotw:
    case kSlotOqrs:
    case kSlotCwOps:
        return [](const char* path, std::string* why) {
            return check_not_web_page(path, why) && check_call_list(path, CallListForm::Member, why);
        };
    case kSlotNodes:
    case kSlotNodesKeepAlive:
        return [](const char* path, std::string* why) {
            return check_not_web_page(path, why) && check_node_list(path, why);
        };
    case kSlotCalendarSource: return check_calendar;
    case kSlotIota: return check_xml_list;
    default: return check_not_web_page;
    }
}

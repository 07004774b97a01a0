// The check each source's download must pass before it replaces the copy in UPDATE.
#pragma once

#include "net/http_fetch.h"

// The check of the source in `slot`: an archive must open and verify, a callsign
// list hold a callsign and no markup, a node list a node line and no markup, the
// calendar an event, the IOTA list be XML; every download, whatever its source,
// must not be a web page.
DownloadCheck download_check(int slot);

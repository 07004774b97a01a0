// A logging-program folder with the run state (catalogue and selections) of one host
// version, ready for an update run: SAVE, IMPORT, BACKUP and UPDATE exist, the status list is
// kept in memory.
#pragma once

#include "catalogue/catalogue.h"
#include "catalogue/run_context.h"
#include "support/app_fixture.h"
#include "support/fake_status_list.h"

class RunTest : public AppTest {
protected:
    void SetUp() override;
    // Rebuilds catalogue and default selections for another host version.
    void use_host_version(const char* hostVersion);
    // Selects nothing at all (sel all 0, ini all 0).
    void select_nothing();

    RunContext run;
    Catalogue& catalogue = run.catalogue;
    Selections* const selections = &run.selections;
    FakeStatusList status;
};

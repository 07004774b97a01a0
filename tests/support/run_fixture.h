// A logging-program folder with the catalogue and selections of one host version,
// ready for an update run: SAVE, IMPORT, BACKUP and UPDATE exist, the status list is
// kept in memory.
#pragma once

#include <memory>

#include "catalogue/catalogue.h"
#include "catalogue/selections.h"
#include "support/app_fixture.h"
#include "support/fake_status_list.h"

class RunTest : public AppTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // Rebuilds catalogue and default selections for another host version.
    void use_host_version(const char* hostVersion);
    // Selects nothing at all (sel all 0, ini all 0).
    void select_nothing();

    Catalogue catalogue;
    std::unique_ptr<Selections> selections;
    FakeStatusList status;
};

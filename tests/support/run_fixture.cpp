#include "support/run_fixture.h"

#include <cstring>

#include "app/host_checks.h"

void RunTest::SetUp()
{
    AppTest::SetUp();
    for (const char* d : {"SAVE", "IMPORT", "BACKUP", "UPDATE"}) make_dir(d);
    install_fake_status_list(&status);
    use_host_version("8.5.0.39");
}

void RunTest::use_host_version(const char* hostVersion)
{
    g_config.hostVersion = hostVersion;
    choose_master_slot(&g_config);
    run.hostVersion = hostVersion;
    build_catalogue(&catalogue, run.hostVersion, g_config.masterSlot);
    run.selections = *new_status(catalogue);
}

void RunTest::select_nothing()
{
    std::memset(selections->sel, 0, sizeof selections->sel);
    std::memset(selections->ini, 0, sizeof selections->ini);
}

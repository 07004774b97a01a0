// The main window over the fake toolkit, with a real catalogue and selections for a
// given version of the logging program, and a run function the test controls.
#pragma once

#include <memory>

#include "app/host_checks.h"
#include "catalogue/catalogue.h"
#include "catalogue/selections.h"
#include "support/app_fixture.h"
#include "support/fake_toolkit.h"
#include "ui/control_ids.h"
#include "ui/main_window.h"
#include "ui/windowed_mode.h"

class UiTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        install_fake_toolkit(&fake);
        install_window_services(&g_platform);
    }

    void TearDown() override
    {
        finish_run_thread(&main);
        AppTest::TearDown();
    }

    // Catalogue and selections for a logging program of this version.
    void prepare(const char* hostVersion = "8.5.0.39")
    {
        g_config.hostVersion = hostVersion;
        choose_master_slot(&g_config);
        build_catalogue(&catalogue);
        selections = new_status(catalogue);
        g_config.catalogue = &catalogue;
        g_config.selections = selections.get();
    }

    // Opens the main window as start-up does, with `run` in place of the update run.
    void open_main(void (*run)(Window*))
    {
        init_main_window(&main);
        main.run = run;
        ASSERT_TRUE(create_main_window(&main));
        create_main_controls(&main);
        g_platform.toolkit.set_idle_check([](void* c) { completion_check(static_cast<MainWindow*>(c)); }, &main);
    }

    FakeControl* ctl(int id) { return fake_control(main.window, id); }
    FakeWindow* window() { return fake_window(main.window); }

    FakeToolkit fake;
    Catalogue catalogue;
    std::unique_ptr<Selections> selections;
    MainWindow main;
};

// A run function that must not be called.
inline void no_run(Window*)
{
    ADD_FAILURE() << "an update run was started";
}

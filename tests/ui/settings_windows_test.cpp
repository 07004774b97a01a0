// The three settings windows, played against the fake toolkit.
#include <cstring>

#include "ui/strings.h"
#include "ui/ui_fixture.h"

namespace {

class SettingsTest : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        prepare();
        g_config.debug = 1;
        open_main(no_run);
    }

    // Clicks a main-window box and returns the settings window it opened.
    Window* open_from(int boxId)
    {
        click(main.window, boxId);
        auto windows = open_windows(&fake);
        if (windows.size() != 2) return nullptr;
        return handle_of(windows[1]);
    }

    bool settings_open() { return open_windows(&fake).size() == 2; }
};

}  // namespace

TEST_F(SettingsTest, CalendarOkStoresTheBoxAndClearEmptiesIt)
{
    selections->sel[kSlotCalendarSource] = 0;
    selections->sel[kSlotCalendar] = 0;
    fake_control(main.window, 1404)->checked = 0;
    window()->rect = {100, 50, 550, 480};

    Window* cal = open_from(1404);
    ASSERT_NE(cal, nullptr);
    // The click opened the window and left the mark alone.
    EXPECT_EQ(ctl(1404)->checked, 0);
    FakeWindow* w = fake_window(cal);
    EXPECT_EQ(w->title, "Calendar (CAL)");
    EXPECT_EQ(w->spec.width, 270);
    EXPECT_EQ(w->spec.height, 140);
    EXPECT_EQ(w->spec.owner, main.window);
    EXPECT_EQ(w->rect.x, 100 + (550 - 270) / 2);
    EXPECT_EQ(w->rect.y, 50 + (480 - 140) / 2);
    EXPECT_EQ(w->shown, 1);
    EXPECT_EQ(window()->enabled, 0);
    ASSERT_NE(fake_control(cal, 1426), nullptr);
    EXPECT_EQ(fake_control(cal, 1426)->text, "425 DX Calendar");
    EXPECT_EQ(fake_control(cal, 1426)->spec.kind, ControlKind::AutoCheckBox);
    EXPECT_EQ(fake_control(cal, 1426)->spec.rect.w, 200);
    EXPECT_EQ(fake_control(cal, 1801)->text, "Clear");
    EXPECT_EQ(fake_control(cal, 1802)->spec.rect.x, 160);
    EXPECT_EQ(fake_control(cal, 1802)->spec.rect.y, 60);
    // A disabled main window takes no clicks.
    click(main.window, kIdUpdate);
    click(main.window, 1404);
    EXPECT_EQ(open_windows(&fake).size(), 2u);

    click(cal, 1426);
    click(cal, kIdCalendarOk);
    EXPECT_FALSE(settings_open());
    EXPECT_EQ(window()->enabled, 1);
    EXPECT_EQ(selections->sel[kSlotCalendarSource], 1);
    EXPECT_EQ(selections->sel[kSlotCalendar], 1);
    EXPECT_EQ(ctl(1404)->checked, 1);
    EXPECT_NE(log_text().find("DEBUG:\tsaving calendar settings\nDEBUG:\tupdating calendar\n"), std::string::npos);

    cal = open_from(1404);
    ASSERT_NE(cal, nullptr);
    EXPECT_EQ(fake_control(cal, 1426)->checked, 1);
    click(cal, kIdCalendarClear);
    EXPECT_EQ(fake_control(cal, 1426)->checked, 0);
    EXPECT_TRUE(settings_open());
    EXPECT_EQ(selections->sel[kSlotCalendarSource], 1);  // Clear saves nothing
    click(cal, kIdCalendarOk);
    EXPECT_EQ(selections->sel[kSlotCalendarSource], 0);
    EXPECT_EQ(selections->sel[kSlotCalendar], 0);
    EXPECT_EQ(ctl(1404)->checked, 0);
    const std::string log = log_text();
    EXPECT_NE(log.find("DEBUG:\tclearing calendar settings\n"), std::string::npos);
    EXPECT_NE(log.find("DEBUG:\tnot updating calendar\n"), std::string::npos);
}

TEST_F(SettingsTest, ClearThenCancelChangesNothing)
{
    Selections before = *selections;
    Window* master = open_from(1410);
    ASSERT_NE(master, nullptr);
    EXPECT_EQ(fake_window(master)->spec.height, 160);
    EXPECT_EQ(fake_control(master, 1419)->checked, 1);
    EXPECT_EQ(fake_control(master, 1420)->checked, 1);
    click(master, kIdMasterClear);
    EXPECT_EQ(fake_control(master, 1419)->checked, 0);
    click(master, kIdMasterCancel);
    EXPECT_FALSE(settings_open());
    EXPECT_EQ(window()->enabled, 1);
    EXPECT_EQ(std::memcmp(before.sel, selections->sel, kSlotCount), 0);
    EXPECT_EQ(ctl(1410)->checked, 1);
    EXPECT_TRUE(dialogs.shown.empty());

    Window* member = open_from(1411);
    ASSERT_NE(member, nullptr);
    click(member, kIdMemberClear);
    EXPECT_EQ(fake_control(member, 1421)->text, "");
    click(member, kIdMemberCancel);
    EXPECT_EQ(std::memcmp(before.sel, selections->sel, kSlotCount), 0);
    EXPECT_EQ(ctl(1411)->checked, 1);
    EXPECT_NE(log_text().find("DEBUG:\tclearing member list settings\n"), std::string::npos);
}

TEST_F(SettingsTest, CloseBoxAsksBeforeAbandoningTheChanges)
{
    Window* cal = open_from(1404);
    ASSERT_NE(cal, nullptr);
    click(cal, 1426);  // now unchecked
    dialogs.answers = {kIdNo};
    press_close_box(cal);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Are you sure you want to abandon your changes?");
    EXPECT_EQ(dialogs.shown[0].title, "Calendar (CAL)");
    EXPECT_EQ(dialogs.shown[0].style & 0xFF, kMbYesNo | kMbIconWarning);
    EXPECT_TRUE(settings_open());
    EXPECT_EQ(fake_control(cal, 1426)->checked, 0);
    EXPECT_EQ(window()->enabled, 0);

    dialogs.answers = {kIdYes};
    press_close_box(cal);
    EXPECT_FALSE(settings_open());
    EXPECT_EQ(window()->enabled, 1);
    EXPECT_EQ(selections->sel[kSlotCalendarSource], 1);
    EXPECT_EQ(ctl(1404)->checked, 1);
}

TEST_F(SettingsTest, MasterCallWithOnlySuperCheckPartial)
{
    Window* master = open_from(1410);
    ASSERT_NE(master, nullptr);
    EXPECT_EQ(fake_window(master)->title, "Master Callsigns (MAS1)");
    EXPECT_EQ(fake_control(master, 1420)->text, "Super Check Partial");
    EXPECT_EQ(fake_control(master, 1420)->spec.rect.y, 40);
    click(master, 1419);  // Club Log off
    click(master, kIdMasterOk);
    EXPECT_EQ(selections->sel[kSlotClubLog], 0);
    EXPECT_EQ(selections->sel[kSlotSuperCheck], 1);
    EXPECT_EQ(selections->sel[kSlotMaster], 1);
    EXPECT_EQ(ctl(1410)->checked, 1);

    master = open_from(1410);
    click(master, 1420);
    click(master, kIdMasterOk);
    EXPECT_EQ(selections->sel[kSlotMaster], 0);
    EXPECT_EQ(ctl(1410)->checked, 0);
    const std::string log = log_text();
    EXPECT_NE(log.find("DEBUG:\tsaving master call settings\nDEBUG:\tupdating master call\n"), std::string::npos);
    EXPECT_NE(log.find("DEBUG:\tnot updating master call\n"), std::string::npos);
}

TEST_F(SettingsTest, MembershipStoresTypedIdsInCapitals)
{
    Window* member = open_from(1411);
    ASSERT_NE(member, nullptr);
    FakeWindow* w = fake_window(member);
    EXPECT_EQ(w->title, "Membership List (MAS2)");
    EXPECT_EQ(w->spec.height, 260);
    // Fields show the saved IDs; labels name the lists.
    EXPECT_EQ(fake_control(member, 1421)->text, "E");
    EXPECT_EQ(fake_control(member, 1424)->text, "");
    EXPECT_EQ(fake_control(member, 1421)->spec.kind, ControlKind::CharEdit);
    EXPECT_EQ(fake_control(member, 1463)->text, "On-line QSL Request");
    EXPECT_EQ(fake_control(member, 1463)->spec.rect.y, 80);
    EXPECT_EQ(fake_control(member, 1465)->spec.rect.x, 70);
    EXPECT_EQ(fake_control(member, 1822)->spec.rect.y, 180);

    click(member, kIdMemberClear);
    type_text(member, 1421, "e");
    type_text(member, 1422, "l");
    leave_field(member, 1421);
    EXPECT_NE(log_text().find("DEBUG:\teQSL is now set to E\n"), std::string::npos);
    click(member, kIdMemberOk);
    EXPECT_FALSE(settings_open());
    EXPECT_EQ(selections->sel[21], 'E');
    EXPECT_EQ(selections->sel[22], 'L');
    EXPECT_EQ(selections->sel[23], 0);
    EXPECT_EQ(selections->sel[24], 0);
    EXPECT_EQ(selections->sel[25], 0);
    EXPECT_EQ(selections->sel[kSlotMembership], 1);
    EXPECT_EQ(ctl(1411)->checked, 1);
    EXPECT_NE(log_text().find("DEBUG:\tsaving membership list settings\nDEBUG:\tupdating membership lists\n"),
              std::string::npos);
}

TEST_F(SettingsTest, MembershipRefusesFiveListsAndEmptiesABlank)
{
    Window* member = open_from(1411);
    ASSERT_NE(member, nullptr);
    const Selections before = *selections;
    const char* ids[] = {"E", "L", "O", "C", "X"};
    for (int i = 0; i < 5; ++i) {
        erase_text(member, 1421 + i);
        type_text(member, 1421 + i, ids[i]);
    }
    click(member, kIdMemberOk);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "You can have no more than four (4) membership lists.");
    EXPECT_EQ(dialogs.shown[0].title, "Too many lists");
    EXPECT_TRUE(settings_open());
    EXPECT_EQ(std::memcmp(before.sel, selections->sel, kSlotCount), 0);
    EXPECT_EQ(window()->enabled, 0);

    // A blank is taken out and stored as nothing; the others go in.
    erase_text(member, 1425);
    erase_text(member, 1423);
    type_text(member, 1423, " ");
    EXPECT_EQ(fake_control(member, 1423)->text, " ");
    click(member, kIdMemberOk);
    EXPECT_FALSE(settings_open());
    EXPECT_EQ(selections->sel[21], 'E');
    EXPECT_EQ(selections->sel[22], 'L');
    EXPECT_EQ(selections->sel[23], 0);
    EXPECT_EQ(selections->sel[24], 'C');
    EXPECT_EQ(selections->sel[25], 0);

    // All empty: the target is off.
    member = open_from(1411);
    click(member, kIdMemberClear);
    click(member, kIdMemberOk);
    EXPECT_EQ(selections->sel[kSlotMembership], 0);
    EXPECT_EQ(ctl(1411)->checked, 0);
    EXPECT_NE(log_text().find("DEBUG:\tnot updating membership lists\n"), std::string::npos);
}

TEST_F(SettingsTest, WindowThatCannotBeMadeIsReported)
{
    fake.fail_create = 1;
    click(main.window, 1411);
    EXPECT_FALSE(settings_open());
    EXPECT_EQ(window()->enabled, 1);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "RegisterClass(&wcMbr) failed");
    EXPECT_EQ(dialogs.shown[0].title, "RegisterClass");
    EXPECT_NE(log_text().find("ERROR:\tRegisterClass(&wcMbr) failed\n"), std::string::npos);
    // The next click opens it.
    click(main.window, 1411);
    EXPECT_TRUE(settings_open());
}

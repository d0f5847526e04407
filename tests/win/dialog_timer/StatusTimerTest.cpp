// The status timer's signal part: lock box and bars from the tuner, their fallbacks, and the
// report text it writes on every tick.
#include "win/dialog_support/CaptureFixture.h"

namespace {

class StatusTimer : public CaptureTest
{
protected:
    LRESULT Bar(int id) { return SendDlgItemMessageA(m_hDlg, id, PBM_GETPOS, 0, 0); }
};

} // namespace

TEST_F(StatusTimer, ShowsLockAndLevelsAndFallsBackToZero)
{
    Tick();
    EXPECT_TRUE(Ticked(IDC_LOCKED));
    EXPECT_EQ(Bar(IDC_LEVEL_BAR), 60);
    EXPECT_EQ(Bar(IDC_QUALITY_BAR), 75);
    char expected[256];
    snprintf(expected, sizeof(expected),
             " Strength:60\n Quality:75\n Free Disk Space  :%6d MBytes\n File Captured :     0  MBytes \n ",
             ParseReport(Text(IDC_SIGNAL_TEXT)).nFreeMB);
    EXPECT_EQ(Text(IDC_SIGNAL_TEXT), expected);

    // Levels that cannot be read show 0 while the lock box stays ticked.
    m_control->FailCall(SIM_CALL_GET_SIGNAL_STRENGTH, SIM_NODE_ANY, E_FAIL, -1);
    m_control->FailCall(SIM_CALL_GET_SIGNAL_QUALITY, SIM_NODE_ANY, E_FAIL, -1);
    Tick();
    EXPECT_TRUE(Ticked(IDC_LOCKED));
    EXPECT_EQ(Bar(IDC_LEVEL_BAR), 0);
    EXPECT_EQ(Bar(IDC_QUALITY_BAR), 0);
    EXPECT_EQ(CurrentReport().nStrength, 0);
    m_control->Reset();

    // A lost signal unticks the box and empties the bars; they come back with the lock.
    m_control->SetSignalLost(TRUE);
    Tick();
    EXPECT_FALSE(Ticked(IDC_LOCKED));
    EXPECT_EQ(Bar(IDC_LEVEL_BAR), 0);
    EXPECT_EQ(Bar(IDC_QUALITY_BAR), 0);
    m_control->SetSignalLost(FALSE);
    ASSERT_TRUE(PumpUntil([&] { return Ticked(IDC_LOCKED); }, 15000));
    EXPECT_EQ(Bar(IDC_LEVEL_BAR), 60);

    // Any timer id runs the handler.
    SetDlgItemTextA(m_hDlg, IDC_SIGNAL_TEXT, "");
    SendMessageA(m_hDlg, WM_TIMER, 1, 0);
    EXPECT_NE(Text(IDC_SIGNAL_TEXT), "");

    // No graph: nothing locked, nothing measured.
    g_TunerGraph.StopGraph();
    Click(IDC_RESET_TUNE);
    Tick();
    EXPECT_FALSE(Ticked(IDC_LOCKED));
    EXPECT_EQ(Bar(IDC_LEVEL_BAR), 0);
}

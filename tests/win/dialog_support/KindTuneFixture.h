// Tune on one tuner of a kind other than satellite: refused fields, a commit the tuner
// refuses, and a lock with its capture name.
#pragma once

#include "win/dialog_support/DialogHarness.h"

class KindTune : public DialogTest
{
protected:
    void Start(const std::string& scenario, const wchar_t* pszName)
    {
        Register(scenario);
        Create();
        m_control = Control(pszName);
        ASSERT_FALSE(m_control.IsNull());
    }
    // Tune, expecting no tuning call to reach the tuner.
    void ExpectRefused(const char* pszWhy)
    {
        SCOPED_TRACE(pszWhy);
        m_control->ClearCalls();
        TakeStatusTexts();
        Click(IDC_TUNE);
        EXPECT_EQ(TakeStatusTexts(), (std::vector<std::string>{"Locking Transponder...", "FAILED: Invalid Arguments!"}));
        EXPECT_EQ(CallCount(m_control, SIM_CALL_PUT_FREQUENCY), 0u);
        EXPECT_FALSE(g_TunerGraph.m_bBuilt) << "the graph of the attempt is torn down";
        EXPECT_TRUE(Enabled(IDC_TUNE)) << "the fields stay open for a correction";
        EXPECT_TRUE(Enabled(IDC_FREQUENCY));
    }
    // Tune with the commit refused by the tuner, so that no lock wait follows; returns the
    // frequency the tuner was given.
    ULONG TuneFailingCommit()
    {
        m_control->ClearCalls();
        m_control->FailCall(SIM_CALL_COMMIT_CHANGES, SIM_NODE_ANY, E_FAIL, 1);
        Click(IDC_TUNE);
        EXPECT_EQ(Text(IDC_STATUS), "FAILED!");
        EXPECT_FALSE(g_TunerGraph.m_bBuilt);
        return LastValue(m_control, SIM_CALL_PUT_FREQUENCY);
    }
    void ExpectLockedWithName(const std::string& tail)
    {
        ASSERT_EQ(Text(IDC_STATUS), "Locked");
        const std::string path = Text(IDC_CAPTURE_FILE);
        ASSERT_GE(path.size(), tail.size());
        EXPECT_EQ(path.substr(path.size() - tail.size()), tail);
        EXPECT_EQ(path.substr(0, CurrentFolder().size() + 1), CurrentFolder() + "\\");
    }
    void ResetQuickly()
    {
        g_TunerGraph.StopGraph();
        Click(IDC_RESET_TUNE);
    }
    SimTuning Committed()
    {
        SimTuning tuning;
        LONG nChannel = -2;
        EXPECT_EQ(m_control->GetCommittedTuning(&tuning, &nChannel), S_OK);
        EXPECT_EQ(nChannel, 0);
        return tuning;
    }

    InterfaceHolder<ISimTunerControl> m_control;
};

// A tuner graph manager built around one scripted graph manager, registered in-process for
// the life of the fixture under its own class id.
#pragma once

#include "support/ClassRegistration.h"
#include "support/ScriptedGraph.h"
#include "tuner/TunerGraph.h"

#include <gtest/gtest.h>

#include <memory>

// {3E7B0C61-92D4-4F1A-8B35-C6A0D2F97E04}
inline const CLSID CLSID_ScriptedTunerGraph = {0x3e7b0c61, 0x92d4, 0x4f1a, {0x8b, 0x35, 0xc6, 0xa0, 0xd2, 0xf9, 0x7e, 0x04}};

class CScriptedTunerGraph : public CTunerGraph
{
public:
    CScriptedTunerGraph() : CTunerGraph(CLSID_ScriptedTunerGraph) {}
    using CFilterGraphHost::m_bReady;
};

class ScriptedTunerGraphTest : public ::testing::Test
{
protected:
    ~ScriptedTunerGraphTest() override
    {
        m_pScript.Reset();
        m_class.reset();
        if (m_bCom)
            CoUninitialize();
    }

    bool m_bCom = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    // Made by the first manager built around it.
    InterfaceHolder<CScriptedGraph> m_pScript;
    std::unique_ptr<CClassRegistration> m_class = std::make_unique<CClassRegistration>(
        CLSID_ScriptedTunerGraph, [this](REFIID riid, void** ppv) {
            if (m_pScript.IsNull())
                m_pScript.Attach(new CScriptedGraph);
            return m_pScript->QueryInterface(riid, ppv);
        });
};

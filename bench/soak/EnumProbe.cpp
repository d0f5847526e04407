// The platform's part of a long session, without the program: the system device enumerator
// walked over the BDA tuner category, step by step, with nothing held between rounds (each
// stage adds one step to the one before), and a graph manager's entry in the running object
// table registered and revoked. The handles (by type) and the memory left behind per round
// tell which platform step keeps what.
//
//   bench_enum_probe.exe [rounds]      (default 200; QLSimTuner.dll beside it registers
//                                      the default set of simulated tuners)
#include "HandleCensus.h"
#include "simtuner/SimScenario.h"
#include "simtuner/SimTunerLibrary.h"

#include <dshow.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// {71985F48-1CA1-11D3-9CC8-00C04F7971E0}
const GUID kTunerCategory = {0x71985F48, 0x1CA1, 0x11D3, {0x9C, 0xC8, 0x00, 0xC0, 0x4F, 0x79, 0x71, 0xE0}};

enum Stage { ENUMERATE, PROPERTY_BAG, FRIENDLY_NAME, BIND_OBJECT, ROT_ENTRY, STAGES };
const char* const kStageNames[STAGES] = {"CreateClassEnumerator and Next", "+ BindToStorage(IPropertyBag)",
                                         "+ Read(FriendlyName)", "+ BindToObject(IBaseFilter)",
                                         "graph's running-object-table entry"};

// A graph manager that lives through the rounds, as the program's does.
IUnknown* g_pGraph = nullptr;

// One build's entry in the running object table: registered and revoked, as each build of
// the program does.
int RotRound()
{
    IRunningObjectTable* pRot = nullptr;
    IMoniker* pMoniker = nullptr;
    DWORD dwRegister = 0;
    if (SUCCEEDED(GetRunningObjectTable(0, &pRot)) &&
        SUCCEEDED(CreateItemMoniker(L"!", L"FilterGraph probe", &pMoniker)) &&
        SUCCEEDED(pRot->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, g_pGraph, pMoniker, &dwRegister)))
        pRot->Revoke(dwRegister);
    if (pMoniker)
        pMoniker->Release();
    if (pRot)
        pRot->Release();
    return dwRegister ? 1 : 0;
}

// One round: every device of the category, each object released at once.
int Round(Stage stage)
{
    if (stage == ROT_ENTRY)
        return RotRound();
    int nDevices = 0;
    ICreateDevEnum* pDevEnum = nullptr;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_ALL, IID_ICreateDevEnum,
                                reinterpret_cast<void**>(&pDevEnum))))
        return -1;
    IEnumMoniker* pEnum = nullptr;
    if (pDevEnum->CreateClassEnumerator(kTunerCategory, &pEnum, 0) == S_OK) {
        IMoniker* pMoniker = nullptr;
        while (pEnum->Next(1, &pMoniker, nullptr) == S_OK) {
            ++nDevices;
            IPropertyBag* pBag = nullptr;
            if (stage >= PROPERTY_BAG &&
                SUCCEEDED(pMoniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&pBag)))) {
                if (stage >= FRIENDLY_NAME) {
                    VARIANT name;
                    VariantInit(&name);
                    pBag->Read(L"FriendlyName", &name, nullptr);
                    VariantClear(&name);
                }
                pBag->Release();
            }
            IBaseFilter* pFilter = nullptr;
            if (stage >= BIND_OBJECT &&
                SUCCEEDED(pMoniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&pFilter))))
                pFilter->Release();
            pMoniker->Release();
        }
        pEnum->Release();
    }
    pDevEnum->Release();
    return nDevices;
}

} // namespace

int main(int argc, char** argv)
{
    const int nRounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    {
        CSimTunerLibrary library;
        std::string error;
        if (!library.IsLoaded() || library.RegisterScenario(kDefaultScenario, &error) != S_OK) {
            std::printf("QLSimTuner.dll must sit beside the probe %s\n", error.c_str());
            return 2;
        }
        if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                    reinterpret_cast<void**>(&g_pGraph))))
            return 2;
        std::printf("%d rounds per stage over the BDA tuner category\n", nRounds);
        for (int stage = 0; stage < STAGES; ++stage) {
            // A warm-up round loads what the platform keeps for good.
            const int nDevices = Round(static_cast<Stage>(stage));
            const ProcessCensus before = TakeCensus();
            for (int i = 0; i < nRounds; ++i)
                Round(static_cast<Stage>(stage));
            const ProcessCensus after = TakeCensus();
            const double rounds = nRounds;
            std::printf("%-34s %d %s: %+.2f handles, %+.0f bytes private memory, %+.0f bytes VmData and %+.0f "
                        "bytes in heap blocks per round (VmData %.0f KB)\n  %s\n",
                        kStageNames[stage], nDevices, stage == ROT_ENTRY ? "entry" : "devices",
                        (static_cast<double>(after.nHandles) - before.nHandles) / rounds,
                        (static_cast<double>(after.nPrivateBytes) - static_cast<double>(before.nPrivateBytes)) / rounds,
                        (static_cast<double>(after.nVmDataBytes) - static_cast<double>(before.nVmDataBytes)) / rounds,
                        (static_cast<double>(after.nHeapBusyBytes) - static_cast<double>(before.nHeapBusyBytes)) /
                            rounds,
                        after.nVmDataBytes / 1024.0,
                        CensusDifference(before, after).c_str());
        }
        g_pGraph->Release();
        auto pRemove = library.Proc<HRESULT(WINAPI*)()>("DllUnregisterServer");
        if (pRemove)
            pRemove();
    }
    CoUninitialize();
    return 0;
}

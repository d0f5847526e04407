// The tuner graph manager's start-up, tune-to-lock and build/destroy figures.
//
// 1. Start-up as the control panel does it: EnumQLBDADevs, then for each found tuner build,
//    wait stopped, two driver queries, start, destroy; over the simulated default set (four
//    maker's tuners, a foreign one, a receiver). The time is split into the prescribed
//    pauses of the stop wait, the creation of the simulated devices' filters (the device
//    walks alone, timed apart), and the rest. The same start-up over in-process devices of
//    the same shapes, whose calls cost nothing, bounds what our own code takes.
// 2. Tune to lock on a channel that locks at once, and on one with the simulator's default
//    lock delay of 100 ms; the same tuning over an in-process device.
// 3. Build and destroy cycles over the simulated satellite tuner: the program's framework
//    objects (counted in-process), the simulator's objects (its DLL reports whether any is
//    alive) and the process memory after warm-up and at the end. The graph is stopped
//    before each teardown, so that the cycles do not pay the stop wait's pause. Every build
//    adds a registration of the graph to the running object table that nothing revokes; the
//    cycles revoke it after each teardown, and its own cost is measured apart.
//
//   bench_tunergraph.exe [cycles]      (default 1000)
// Exits non-zero when a tuning fails, or a cycle run fails a build, leaves objects alive or
// grows the process memory by 2 MB or more.
#include "support/FakeBda.h"
#include "support/FakeDevices.h"

#include "filters/LiveObject.h"
#include "graph/BdaGuids.h"
#include "simtuner/SimScenario.h"
#include "simtuner/SimTunerLibrary.h"
#include "tuner/TunerGraph.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr double STOP_PAUSE_MS = 150.0;
constexpr SIZE_T ALLOWED_GROWTH = 2 * 1024 * 1024;
constexpr int STARTUP_RUNS = 5;

double NowMs()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

template <class F>
double TimeMs(F f)
{
    const double start = NowMs();
    f();
    return NowMs() - start;
}

// Whole pauses of the stop wait inside a call that took this long.
int StopPauses(double ms)
{
    return static_cast<int>(ms / STOP_PAUSE_MS);
}

struct StartupFigures {
    int nTuners = 0;
    double total = 0, enumeration = 0, build = 0, waitStopped = 0, queries = 0, start = 0, destroy = 0;
    int nPauses = 0;
};

StartupFigures RunStartup(CTunerGraph& graph)
{
    StartupFigures f;
    QLDev table[QLDEV_TABLE_SIZE] = {};
    int ordinals[QLDEV_TABLE_SIZE] = {};
    const double start = NowMs();
    f.enumeration = TimeMs([&] { f.nTuners = graph.EnumQLBDADevs(table, ordinals); });
    for (int i = 0; i < f.nTuners; ++i) {
        DeviceInfoRecord device = {};
        DriverInfoRecord driver = {};
        f.build += TimeMs([&] { graph.BuildGraph(ordinals[i], table[i].szName); });
        const double wait = TimeMs([&] { graph.WaitGraphStopped(); });
        f.waitStopped += wait;
        f.nPauses += StopPauses(wait);
        f.queries += TimeMs([&] {
            graph.QLBDA_IOCTL_GET_DEVICE_INFO_Fun(&device);
            graph.QLBDA_IOCTL_GET_DRIVER_INFO_Fun(&driver);
        });
        f.start += TimeMs([&] { graph.StartGraph(); });
        const double destroy = TimeMs([&] { graph.DestroyGraph(); });
        f.destroy += destroy;
        f.nPauses += StopPauses(destroy);
    }
    f.total = NowMs() - start;
    return f;
}

// The device creation the start-up makes: the enumeration's walk over ordinals 0 to 9, and
// for each listed tuner the walk up to its ordinal and the first receiver component.
double DeviceWalksMs(CTunerGraph& graph, int nTuners)
{
    char szName[FRIENDLY_NAME_SIZE];
    auto walk = [&](REFGUID category, int nOrdinal) {
        InterfaceHolder<IBaseFilter> filter;
        graph.GetDeviceFilter(category, nOrdinal, filter, szName);
    };
    return TimeMs([&] {
        for (int n = 0; n < QLDEV_TABLE_SIZE; ++n)
            walk(KSCATEGORY_BDA_NETWORK_TUNER, n);
        for (int i = 0; i < nTuners; ++i) {
            walk(KSCATEGORY_BDA_NETWORK_TUNER, i);
            walk(KSCATEGORY_BDA_RECEIVER_COMPONENT, 0);
        }
    });
}

// The manager with access to its latest running-object-table registration.
class CBenchTunerGraph : public CTunerGraph
{
public:
    void RevokeLastRegistration()
    {
        if (m_dwRotRegister)
            m_pRot->Revoke(m_dwRotRegister);
        m_dwRotRegister = 0;
    }
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Every figure is the median of its own over the runs.
StartupFigures MedianOf(const std::vector<StartupFigures>& runs)
{
    auto median = [&runs](double StartupFigures::*field) {
        std::vector<double> values;
        for (const StartupFigures& run : runs)
            values.push_back(run.*field);
        return Median(values);
    };
    StartupFigures f = runs.front();
    f.total = median(&StartupFigures::total);
    f.enumeration = median(&StartupFigures::enumeration);
    f.build = median(&StartupFigures::build);
    f.waitStopped = median(&StartupFigures::waitStopped);
    f.queries = median(&StartupFigures::queries);
    f.start = median(&StartupFigures::start);
    f.destroy = median(&StartupFigures::destroy);
    return f;
}

void PrintStartup(const char* pszWhat, const StartupFigures& f, double walks)
{
    const double pauses = f.nPauses * STOP_PAUSE_MS;
    std::printf("%s: %d tuners, %.0f ms total (median of %d runs)\n", pszWhat, f.nTuners, f.total, STARTUP_RUNS);
    std::printf("  enumeration %.0f, builds %.0f, stop waits %.0f, driver queries %.1f, starts %.0f, teardowns %.0f\n",
                f.enumeration, f.build, f.waitStopped, f.queries, f.start, f.destroy);
    std::printf("  stop-wait pauses %d x 150 = %.0f ms (%.0f%%)\n", f.nPauses, pauses, 100.0 * pauses / f.total);
    if (walks >= 0)
        std::printf("  device filter creation (walks timed apart) %.0f ms (%.0f%%)\n", walks, 100.0 * walks / f.total);
    const double rest = f.total - pauses - std::max(walks, 0.0);
    std::printf("  rest (our code, graph manager, device pins and streaming threads) %.0f ms (%.0f%%)\n", rest,
                100.0 * rest / f.total);
}

// Committed private memory of the process (Wine leaves PrivateUsage at 0; on Windows the two
// agree).
SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters));
    return counters.PagefileUsage;
}

// A terrestrial tuner of the default set, with a channel that locks at once.
const char kLockScenario[] = R"(
[tuner]
name = Quillon Lock Now
kind = terrestrial
lock_delay = 0
channel = 506000 bw=8
[tuner]
name = Quillon Lock Default
kind = terrestrial
channel = 506000 bw=8
)";

double MeanTuneMs(CTunerGraph& graph, int nOrdinal, int nTunes, HRESULT* phr)
{
    char szName[FRIENDLY_NAME_SIZE] = {};
    *phr = graph.BuildGraph(nOrdinal, szName);
    double total = 0;
    for (int i = 0; i < nTunes && *phr == S_OK; ++i)
        total += TimeMs([&] { *phr = graph.TuneDVBT(506000, 8); });
    graph.StopGraph();
    graph.DestroyGraph();
    return total / nTunes;
}

struct CycleFigures {
    LONG nFrameworkBefore, nFrameworkAfter;
    SIZE_T nWarm, nEnd;
    double msPerCycle, msBuild, msStop, msDestroy;
    int nFailed;
};

// afterEach empties the devices' own call logs, so that only what the cycles keep shows.
CycleFigures RunCycles(CBenchTunerGraph& graph, int nCycles, int nOrdinal, const std::function<void()>& afterEach)
{
    CycleFigures f = {};
    char szName[FRIENDLY_NAME_SIZE] = {};
    const int nWarmUp = std::min(100, nCycles / 10);
    f.nFrameworkBefore = CLiveObject::LiveCount();
    const double start = NowMs();
    for (int i = 0; i < nCycles; ++i) {
        f.msBuild += TimeMs([&] {
            if (graph.BuildGraph(nOrdinal, szName) != S_OK)
                ++f.nFailed;
        });
        f.msStop += TimeMs([&] { graph.StopGraph(); });
        f.msDestroy += TimeMs([&] { graph.DestroyGraph(); });
        graph.RevokeLastRegistration();
        afterEach();
        if (i + 1 == nWarmUp)
            f.nWarm = PrivateBytes();
    }
    f.msPerCycle = (NowMs() - start) / nCycles;
    f.msBuild /= nCycles;
    f.msStop /= nCycles;
    f.msDestroy /= nCycles;
    f.nEnd = PrivateBytes();
    f.nFrameworkAfter = CLiveObject::LiveCount();
    return f;
}

bool PrintCycles(const char* pszWhat, int nCycles, const CycleFigures& f, const char* pszDevices, bool bDevicesGone)
{
    const long long growth = static_cast<long long>(f.nEnd) - static_cast<long long>(f.nWarm);
    std::printf("%s: %d build/destroy cycles, %.2f ms each (build %.2f, stop %.2f, teardown %.2f), %d failed builds\n",
                pszWhat, nCycles, f.msPerCycle, f.msBuild, f.msStop, f.msDestroy, f.nFailed);
    std::printf("  framework objects alive: %ld before, %ld after\n", f.nFrameworkBefore, f.nFrameworkAfter);
    std::printf("  %s: %s\n", pszDevices, bDevicesGone ? "none alive" : "SOME ALIVE");
    std::printf("  private bytes after warm-up %.1f MB, at the end %.1f MB, growth %+lld bytes\n", f.nWarm / 1048576.0,
                f.nEnd / 1048576.0, growth);
    return f.nFailed == 0 && f.nFrameworkAfter == f.nFrameworkBefore && bDevicesGone &&
           growth < static_cast<long long>(ALLOWED_GROWTH);
}

// In-process devices shaped like the default set.
std::vector<FakeBdaStatePtr> AddFakeDefaultSet(CFakeDeviceCatalog& devices)
{
    std::vector<FakeBdaStatePtr> states;
    const std::pair<const wchar_t*, int> tuners[] = {
        {L"DTV-DVB S2 Satellite Tuner", SRC_TYPE_DVBS}, {L"Quillon DVB-T Terrestrial Tuner", SRC_TYPE_DVBT},
        {L"DTV-DVB C Cable Tuner", SRC_TYPE_DVBC},      {L"DTV-ATSC Tuner", SRC_TYPE_ATSC},
        {L"Generic BDA DVB-T Tuner", SRC_TYPE_DVBT},
    };
    for (const auto& tuner : tuners) {
        FakeBdaStatePtr state = MakeTunerState(tuner.second);
        states.push_back(state);
        devices.Add(KSCATEGORY_BDA_NETWORK_TUNER, tuner.first,
                    [state](REFIID riid, void** ppv) { return CreateFakeBdaFilter(state, riid, ppv); });
    }
    FakeBdaStatePtr receiver = MakeReceiverState();
    states.push_back(receiver);
    devices.Add(KSCATEGORY_BDA_RECEIVER_COMPONENT, L"Quillon BDA Receiver Component",
                [receiver](REFIID riid, void** ppv) { return CreateFakeBdaFilter(receiver, riid, ppv); });
    return states;
}

void ClearLogs(const std::vector<FakeBdaStatePtr>& states)
{
    for (const FakeBdaStatePtr& state : states) {
        state->Calls.clear();
        state->KsSets.clear();
        state->ControlNodeRequests.clear();
        state->JoinedAs.clear();
        state->ConnectedFrom.clear();
        state->LockReadTimes.clear();
    }
}

} // namespace

int main(int argc, char** argv)
{
    const int nCycles = argc > 1 ? std::max(10, std::atoi(argv[1])) : 1000;
    bool bOk = true;
    CBenchTunerGraph graph;
    CSimTunerLibrary library;
    if (!library.IsLoaded()) {
        std::printf("QLSimTuner.dll must sit beside the benchmark\n");
        return 2;
    }
    auto canUnload = library.Proc<HRESULT(WINAPI*)()>("DllCanUnloadNow");
    std::string error;
    if (library.RegisterScenario(kDefaultScenario, &error) != S_OK) {
        std::printf("scenario: %s\n", error.c_str());
        return 2;
    }

    // 1. Start-up over the simulated default set, after a run that warms the caches; the
    //    device walks alternate with the runs, so that both see the same machine load.
    RunStartup(graph);
    std::vector<StartupFigures> runs;
    std::vector<double> walks;
    for (int i = 0; i < STARTUP_RUNS; ++i) {
        runs.push_back(RunStartup(graph));
        walks.push_back(DeviceWalksMs(graph, runs.back().nTuners));
    }
    PrintStartup("start-up, simulated default set", MedianOf(runs), Median(walks));

    // 2. Tune to lock.
    if (library.RegisterScenario(kLockScenario, &error) != S_OK)
        return 2;
    HRESULT hrNow = E_FAIL, hrDefault = E_FAIL;
    const double lockNow = MeanTuneMs(graph, 0, 20, &hrNow);
    const double lockDefault = MeanTuneMs(graph, 1, 20, &hrDefault);
    std::printf("tune to lock, simulated terrestrial tuner (mean of 20): %.3f ms when it locks at once (%s), "
                "%.1f ms with its 100 ms lock delay (%s: reading, 100 ms pause, reading)\n",
                lockNow, hrNow == S_OK ? "locked" : "FAILED", lockDefault, hrDefault == S_OK ? "locked" : "FAILED");
    bOk = bOk && hrNow == S_OK && hrDefault == S_OK;

    // 3. Build and destroy cycles over the simulated satellite tuner and the receiver.
    if (library.RegisterScenario(kDefaultScenario, &error) != S_OK)
        return 2;
    {
        InterfaceHolder<ISimTunerControl> control;
        library.OpenControl(L"DTV-DVB S2 Satellite Tuner", control);
        const CycleFigures cycles = RunCycles(graph, nCycles, 0, [&control] {
            if (!control.IsNull())
                control->ClearCalls();
        });
        control.Reset();
        bOk = PrintCycles("simulated satellite tuner", nCycles, cycles, "simulator filters, pins and nodes",
                          canUnload && canUnload() == S_OK) && bOk;
    }
    const SIZE_T nBeforeRegistrations = PrivateBytes();
    for (int i = 0; i < nCycles; ++i)
        graph.AddGraphToRot();
    std::printf("running object table: %d further registrations of the graph add %+lld bytes (%.1f KB each)\n",
                nCycles, static_cast<long long>(PrivateBytes()) - static_cast<long long>(nBeforeRegistrations),
                (static_cast<double>(PrivateBytes()) - static_cast<double>(nBeforeRegistrations)) / nCycles / 1024);
    auto pRemove = library.Proc<HRESULT(WINAPI*)()>("DllUnregisterServer");
    if (pRemove)
        pRemove();

    // The same over in-process devices, whose calls cost nothing: what the manager and the
    // platform's graph manager take alone.
    {
        CFakeDeviceCatalog devices;
        const std::vector<FakeBdaStatePtr> states = AddFakeDefaultSet(devices);
        RunStartup(graph);
        std::vector<StartupFigures> fakeRuns;
        for (int i = 0; i < STARTUP_RUNS; ++i)
            fakeRuns.push_back(RunStartup(graph));
        PrintStartup("start-up, in-process devices", MedianOf(fakeRuns), -1);

        ClearLogs(states);
        const CycleFigures cycles = RunCycles(graph, nCycles, 0, [&states] { ClearLogs(states); });
        bOk = PrintCycles("in-process satellite tuner", nCycles, cycles, "in-process filters and nodes",
                          FakeBdaFiltersAlive() == 0 && FakeBdaNodesAlive() == 0) && bOk;
    }
    {
        FakeBdaStatePtr tuner = MakeTunerState(SRC_TYPE_DVBT);
        CFakeDeviceCatalog devices;
        devices.Add(KSCATEGORY_BDA_NETWORK_TUNER, L"Quillon DVB-T",
                    [tuner](REFIID riid, void** ppv) { return CreateFakeBdaFilter(tuner, riid, ppv); });
        HRESULT hrFake = E_FAIL;
        const double lockFake = MeanTuneMs(graph, 0, 1000, &hrFake);
        std::printf("tune to lock, in-process tuner (mean of 1000): %.3f ms (%s)\n", lockFake,
                    hrFake == S_OK ? "locked" : "FAILED");
    }
    return bOk ? 0 : 1;
}

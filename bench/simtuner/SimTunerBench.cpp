// Delivery of the simulated tuner: a graph of tuner and test sink runs at a configured
// bitrate, and the sink's arrivals show the rate sustained over every 100 ms window, the
// longest gap between samples and the checker's counts. With --capture it records a
// stream of three programs to a file instead, for ffprobe.
//   bench_simtuner.exe [seconds] [bitrate]     (default 3 s at 120 Mbit/s)
//   bench_simtuner.exe --capture <file> <bytes>
#include "SimTestSink.h"

#include "capture/TsPacketChecker.h"
#include "graph/BdaGuids.h"
#include "graph/InterfaceHolder.h"
#include "simtuner/SimTunerLibrary.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr double WINDOW_SECONDS = 0.1;
constexpr double REQUIRED_BITRATE = 100e6;
const wchar_t kTunerName[] = L"Quillon Bench Tuner";

// A real driver's buffers: what a delivery that blocks longer than this loses is counted.
std::string Scenario(unsigned long long bitrate, unsigned programs)
{
    return "[tuner]\nname = Quillon Bench Tuner\nkind = terrestrial\nchannel = 506000 bw=8\nlock_delay = 0\n"
           "sample_size = 65001\nbuffer_ms = 200\nbitrate = " + std::to_string(bitrate) + "\nprograms = " +
           std::to_string(programs) + "\nprovider = QL Bench\nservice = 1 Bench News" +
           (programs > 1 ? "; 2 Bench Sport\n" : "\n");
}

SimDelivery DeliveryOf(IBaseFilter* pTuner)
{
    SimDelivery delivery = {};
    QueriedHolder<ISimTunerControl> control(pTuner);
    if (!control.IsNull())
        control->GetDelivery(&delivery);
    return delivery;
}

InterfaceHolder<IBaseFilter> BindBenchTuner()
{
    InterfaceHolder<IBaseFilter> filter;
    InterfaceHolder<ICreateDevEnum> devEnum;
    InterfaceHolder<IEnumMoniker> monikers;
    if (FAILED(devEnum.CreateInstance(CLSID_SystemDeviceEnum)) ||
        devEnum->CreateClassEnumerator(KSCATEGORY_BDA_NETWORK_TUNER, monikers.OutSlot(), 0) != S_OK)
        return filter;
    InterfaceHolder<IMoniker> moniker;
    while (monikers->Next(1, moniker.OutSlot(), nullptr) == S_OK) {
        InterfaceHolder<IPropertyBag> bag;
        CVariantHolder name;
        if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.OutVoid())) &&
            SUCCEEDED(bag->Read(L"FriendlyName", &name, nullptr)) && name.Get().vt == VT_BSTR &&
            wcscmp(name.Get().bstrVal, kTunerName) == 0) {
            moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.OutVoid());
            break;
        }
    }
    return filter;
}

InterfaceHolder<IPin> Pin(IBaseFilter* pFilter, int nIndex)
{
    InterfaceHolder<IEnumPins> pins;
    InterfaceHolder<IPin> pin;
    if (SUCCEEDED(pFilter->EnumPins(pins.OutSlot()))) {
        for (int i = 0; i <= nIndex; ++i) {
            if (pins->Next(1, pin.OutSlot(), nullptr) != S_OK)
                return InterfaceHolder<IPin>();
        }
    }
    return pin;
}

// Tuner -> sink, tuned and locked; false with a message on failure.
bool BuildTunedGraph(IGraphBuilder* pGraph, IBaseFilter* pTuner, IBaseFilter* pSink)
{
    QueriedHolder<IBDA_Topology> topology(pTuner);
    QueriedHolder<IBDA_DeviceControl> control(pTuner);
    InterfaceHolder<IUnknown> node;
    if (pGraph->AddFilter(pTuner, L"BDA Source") != S_OK || pGraph->AddFilter(pSink, L"Sink") != S_OK ||
        pGraph->ConnectDirect(Pin(pTuner, 1), Pin(pSink, 0), nullptr) != S_OK || topology.IsNull() ||
        control.IsNull() || topology->CreateTopology(0, 1) != S_OK ||
        topology->GetControlNode(0, 1, 0, node.OutSlot()) != S_OK) {
        std::printf("bench_simtuner: graph could not be built\n");
        return false;
    }
    QueriedHolder<IBDA_FrequencyFilter> frequency(node);
    frequency->put_FrequencyMultiplier(1000);
    frequency->put_Bandwidth(8);
    frequency->put_Frequency(506000);
    if (control->CommitChanges() != S_OK) {
        std::printf("bench_simtuner: tuning failed\n");
        return false;
    }
    return true;
}

// The lowest bitrate over consecutive full windows of the run.
double LowestWindowBitrate(const std::vector<double>& arrivals, const std::vector<long>& sizes)
{
    double lowest = 0;
    bool bAny = false;
    size_t i = 0;
    const double end = arrivals.empty() ? 0 : arrivals.back();
    for (double start = 0; start + WINDOW_SECONDS <= end; start += WINDOW_SECONDS) {
        double bits = 0;
        for (; i < arrivals.size() && arrivals[i] < start + WINDOW_SECONDS; ++i)
            bits += 8.0 * sizes[i];
        const double rate = bits / WINDOW_SECONDS;
        lowest = bAny ? std::min(lowest, rate) : rate;
        bAny = true;
    }
    return lowest;
}

int Measure(const CSimTunerLibrary& library, double seconds, unsigned long long bitrate)
{
    std::string error;
    if (FAILED(library.RegisterScenario(Scenario(bitrate, 1), &error))) {
        std::printf("bench_simtuner: scenario refused: %s\n", error.c_str());
        return 1;
    }
    InterfaceHolder<IGraphBuilder> graph;
    graph.CreateInstance(CLSID_FilterGraph, CLSCTX_INPROC_SERVER);
    QueriedHolder<IMediaControl> media(graph);
    InterfaceHolder<IBaseFilter> tuner = BindBenchTuner();
    CSimTestSink* pSink = new CSimTestSink(0, -1);
    InterfaceHolder<IBaseFilter> sink(static_cast<IBaseFilter*>(pSink));
    if (tuner.IsNull() || media.IsNull() || !BuildTunedGraph(graph, tuner, sink))
        return 1;
    ResetTestStreamCounters();
    media->Run();
    Sleep(static_cast<DWORD>(seconds * 1000));
    media->Stop();

    const double span = pSink->SpanSeconds();
    const double average = span > 0 ? 8.0 * static_cast<double>(pSink->ByteCount()) / span : 0;
    const double lowest = LowestWindowBitrate(pSink->ArrivalSeconds(), pSink->SampleSizes());
    const SimDelivery delivery = DeliveryOf(tuner);
    std::printf("bitrate set %.1f Mbit/s: %u samples of 65001 bytes in %.2f s, average %.1f Mbit/s, lowest 100 ms "
                "window %.1f Mbit/s, longest gap %.1f ms, test packets %u, CRC errors %u, lost %u, "
                "dropped by the 200 ms buffer %llu packets in %lu overflows\n",
                static_cast<double>(bitrate) / 1e6, pSink->SampleCount(), span, average / 1e6, lowest / 1e6,
                pSink->MaxGapSeconds() * 1000, nTestPackets.load(), nCrcErrors.load(), nLostPackets.load(),
                delivery.nDroppedPackets, static_cast<unsigned long>(delivery.nDrops));
    media.Reset();
    graph.Reset();
    sink.Reset();
    tuner.Reset();
    // Packets the driver's buffer dropped are lost as on the hardware; any other loss is a fault.
    const bool bDamaged = nCrcErrors || nLostPackets != delivery.nDroppedTestPackets;
    return bitrate >= REQUIRED_BITRATE && lowest < REQUIRED_BITRATE ? 1 : (bDamaged ? 1 : 0);
}

int Capture(const CSimTunerLibrary& library, const char* pPath, unsigned long long nBytes)
{
    std::string error;
    if (FAILED(library.RegisterScenario(Scenario(200000000, 3), &error))) {
        std::printf("bench_simtuner: scenario refused: %s\n", error.c_str());
        return 1;
    }
    InterfaceHolder<IGraphBuilder> graph;
    graph.CreateInstance(CLSID_FilterGraph, CLSCTX_INPROC_SERVER);
    QueriedHolder<IMediaControl> media(graph);
    InterfaceHolder<IBaseFilter> tuner = BindBenchTuner();
    CSimTestSink* pSink = new CSimTestSink(static_cast<size_t>(nBytes), -1);
    InterfaceHolder<IBaseFilter> sink(static_cast<IBaseFilter*>(pSink));
    if (tuner.IsNull() || media.IsNull() || !BuildTunedGraph(graph, tuner, sink))
        return 1;
    media->Run();
    const ULONGLONG end = GetTickCount64() + 10000;
    while (pSink->ByteCount() < nBytes && GetTickCount64() < end)
        Sleep(10);
    media->Stop();
    const std::vector<uint8_t> bytes = pSink->Bytes();
    FILE* pFile = std::fopen(pPath, "wb");
    if (!pFile || std::fwrite(bytes.data(), 1, bytes.size(), pFile) != bytes.size()) {
        std::printf("bench_simtuner: cannot write %s\n", pPath);
        if (pFile)
            std::fclose(pFile);
        return 1;
    }
    std::fclose(pFile);
    std::printf("captured %zu bytes to %s\n", bytes.size(), pPath);
    return bytes.size() == nBytes ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    int rc = 1;
    {
        CSimTunerLibrary library;
        if (!library.IsLoaded()) {
            std::printf("bench_simtuner: QLSimTuner.dll not found beside the program\n");
        } else if (argc == 4 && std::string(argv[1]) == "--capture") {
            rc = Capture(library, argv[2], std::strtoull(argv[3], nullptr, 10));
        } else {
            const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
            const unsigned long long bitrate = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 120000000ull;
            rc = Measure(library, seconds, bitrate);
            if (rc == 0 && argc <= 2)
                rc = Measure(library, 1.0, 2000000000ull);  // unpaced: the most the thread delivers
        }
        if (auto pRemove = library.Proc<HRESULT(WINAPI*)()>("DllUnregisterServer"))
            pRemove();
    }
    CoUninitialize();
    return rc;
}

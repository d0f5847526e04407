// Throughput of the capture sink's Receive path (append to the capture file, align, check,
// with its per-sample traces) against a plain fwrite loop writing the same buffers to the
// same kind of file, for 65,424-byte and 1 MiB samples; and of a stream whose every packet
// is on the test PID. Prints MB/s (1 MB = 1,048,576 bytes) and a per-sample breakdown.
#include "capture/CaptureFilter.h"
#include "capture/CaptureSession.h"
#include "capture/TsPacketChecker.h"
#include "graph/Com.h"
#include "graph/InterfaceHolder.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr double MB = 1048576.0;
constexpr int ROUNDS = 3;
constexpr uint64_t BYTES_PER_RUN = 512ull << 20;
constexpr size_t STREAM_PACKETS = 65536;  // 12.3 MB of distinct stream, then it repeats
constexpr uint16_t FIRST_PLAIN_PID = 0x200;

// A media sample over a slice of the prepared stream.
class CSliceSample : public IMediaSample
{
public:
    void Point(BYTE* pData, long nLength)
    {
        m_pData = pData;
        m_nLength = nLength;
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = (riid == IID_IUnknown || riid == IID_IMediaSample) ? static_cast<IMediaSample*>(this) : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetPointer(BYTE** ppBuffer) override
    {
        *ppBuffer = m_pData;
        return S_OK;
    }
    STDMETHODIMP_(long) GetSize() override { return m_nLength; }
    STDMETHODIMP GetTime(REFERENCE_TIME*, REFERENCE_TIME*) override { return VFW_E_SAMPLE_TIME_NOT_SET; }
    STDMETHODIMP SetTime(REFERENCE_TIME*, REFERENCE_TIME*) override { return S_OK; }
    STDMETHODIMP IsSyncPoint() override { return S_FALSE; }
    STDMETHODIMP SetSyncPoint(BOOL) override { return S_OK; }
    STDMETHODIMP IsPreroll() override { return S_FALSE; }
    STDMETHODIMP SetPreroll(BOOL) override { return S_OK; }
    STDMETHODIMP_(long) GetActualDataLength() override { return m_nLength; }
    STDMETHODIMP SetActualDataLength(long) override { return S_OK; }
    STDMETHODIMP GetMediaType(AM_MEDIA_TYPE** pp) override
    {
        *pp = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP SetMediaType(AM_MEDIA_TYPE*) override { return S_OK; }
    STDMETHODIMP IsDiscontinuity() override { return S_FALSE; }
    STDMETHODIMP SetDiscontinuity(BOOL) override { return S_OK; }
    STDMETHODIMP GetMediaTime(LONGLONG*, LONGLONG*) override { return VFW_E_MEDIA_TIME_NOT_SET; }
    STDMETHODIMP SetMediaTime(LONGLONG*, LONGLONG*) override { return S_OK; }

private:
    BYTE* m_pData = nullptr;
    long m_nLength = 0;
};

void PutLe32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// STREAM_PACKETS packets, followed by one more sample's worth of its own start, so that a
// sample may begin anywhere in the first STREAM_PACKETS packets and the stream stays
// continuous across the repeat.
std::vector<uint8_t> MakeStream(bool bTestPid, size_t nTail)
{
    const size_t nBody = STREAM_PACKETS * TS_PACKET_SIZE;
    std::vector<uint8_t> stream(nBody + nTail);
    for (size_t n = 0; n < STREAM_PACKETS; ++n) {
        uint8_t* p = &stream[n * TS_PACKET_SIZE];
        const uint16_t pid = bTestPid ? TS_TEST_PID : static_cast<uint16_t>(FIRST_PLAIN_PID + n % 16);
        p[0] = TS_SYNC_BYTE;
        p[1] = static_cast<uint8_t>(pid >> 8);
        p[2] = static_cast<uint8_t>(pid);
        p[3] = static_cast<uint8_t>(0x10 | (n & 0x0F));
        for (int i = 4; i < TS_PACKET_SIZE; ++i)
            p[i] = static_cast<uint8_t>(n * 13 + i);
        if (bTestPid) {
            PutLe32(p + TS_TEST_SEQ_OFFSET, static_cast<uint32_t>(n + 1));
            PutLe32(p + TS_TEST_CRC_OFFSET, Crc32Mpeg2(p, TS_TEST_CRC_OFFSET));
        }
    }
    for (size_t i = 0; i < nTail; ++i)
        stream[nBody + i] = stream[i % nBody];
    return stream;
}

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The samples of one run: consecutive slices of the stream, wrapping at its repeat.
struct Slices {
    const std::vector<uint8_t>& stream;
    size_t nSample;
    size_t Count() const { return static_cast<size_t>(BYTES_PER_RUN / nSample); }
    uint8_t* At(size_t i) const
    {
        const size_t nBody = STREAM_PACKETS * TS_PACKET_SIZE;
        return const_cast<uint8_t*>(stream.data()) + (i * nSample) % nBody;
    }
};

uint64_t FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Seconds for the whole run, the file closed at the end.
double RunFwrite(const Slices& s, const std::string& path)
{
    const double t0 = Now();
    FILE* fp = std::fopen(path.c_str(), "wb");
    for (size_t i = 0; i < s.Count(); ++i)
        std::fwrite(s.At(i), 1, s.nSample, fp);
    std::fclose(fp);
    return Now() - t0;
}

double RunReceive(IMemInputPin* pPin, const Slices& s, const std::string& path, bool bRecord)
{
    CSliceSample sample;
    const double t0 = Now();
    if (bRecord)
        g_CaptureState.StartCapture(std::fopen(path.c_str(), "wb"), 0);
    for (size_t i = 0; i < s.Count(); ++i) {
        sample.Point(s.At(i), static_cast<long>(s.nSample));
        pPin->Receive(&sample);
    }
    g_CaptureState.StopCapture();
    return Now() - t0;
}

// The capture state's own write, without the pin, its traces and the checker.
double RunWriteSample(const Slices& s, const std::string& path)
{
    const double t0 = Now();
    g_CaptureState.StartCapture(std::fopen(path.c_str(), "wb"), 0);
    for (size_t i = 0; i < s.Count(); ++i)
        g_CaptureState.WriteSample(s.At(i), static_cast<int32_t>(s.nSample));
    g_CaptureState.StopCapture();
    return Now() - t0;
}

double RunAlign(const Slices& s)
{
    uint8_t carry[TS_CARRY_SIZE];
    int32_t nCarry = 0;
    const double t0 = Now();
    for (size_t i = 0; i < s.Count(); ++i)
        AlignPackets(s.At(i), static_cast<int32_t>(s.nSample), carry, nCarry);
    return Now() - t0;
}

double RunTraces(size_t nSamples)
{
    const double t0 = Now();
    for (size_t i = 0; i < nSamples; ++i) {
        OutputDebugStringA("Receive OK??");
        OutputDebugStringA(" (Buf && Len>0) == true");
        OutputDebugStringA("bRecord  == true");
    }
    return Now() - t0;
}

double Rate(double seconds)
{
    return static_cast<double>(BYTES_PER_RUN) / MB / seconds;
}

void CompareWithFwrite(IMemInputPin* pPin, size_t nSample, const std::string& dir)
{
    const std::vector<uint8_t> stream = MakeStream(false, nSample);
    const Slices s{stream, nSample};
    const std::string receivePath = dir + "bench_receive.ts";
    const std::string fwritePath = dir + "bench_fwrite.ts";

    // Alternate the two so that both see the same state of the disk and its cache.
    double tReceive = 1e9, tFwrite = 1e9, tWrite = 1e9;
    for (int round = 0; round < ROUNDS; ++round) {
        tFwrite = std::min(tFwrite, RunFwrite(s, fwritePath));
        tReceive = std::min(tReceive, RunReceive(pPin, s, receivePath, true));
        tWrite = std::min(tWrite, RunWriteSample(s, receivePath));
    }
    const uint64_t nExpected = static_cast<uint64_t>(s.Count()) * nSample;
    if (FileSize(receivePath) != nExpected || FileSize(fwritePath) != nExpected)
        std::printf("  file sizes differ from the %llu bytes sent!\n", static_cast<unsigned long long>(nExpected));

    double tAlign = 1e9, tTraces = 1e9;
    for (int round = 0; round < ROUNDS; ++round) {
        tAlign = std::min(tAlign, RunAlign(s));
        tTraces = std::min(tTraces, RunTraces(s.Count()));
    }
    const double perSample = 1e6 / static_cast<double>(s.Count());
    std::printf("samples of %zu bytes, %zu samples per run, best of %d\n", nSample, s.Count(), ROUNDS);
    std::printf("  Receive (record, align, check, traces): %8.1f MB/s\n", Rate(tReceive));
    std::printf("  plain fwrite loop:                      %8.1f MB/s\n", Rate(tFwrite));
    std::printf("  ratio Receive / fwrite:                 %8.3f\n", tFwrite / tReceive);
    std::printf("  capture state's WriteSample loop:       %8.1f MB/s\n", Rate(tWrite));
    std::printf("  per sample: Receive %.1f us = fwrite %.1f + align/check %.1f + 3 traces %.1f (+ rest %.1f)\n",
                tReceive * perSample, tFwrite * perSample, tAlign * perSample, tTraces * perSample,
                (tReceive - tFwrite - tAlign - tTraces) * perSample);
    std::remove(receivePath.c_str());
    std::remove(fwritePath.c_str());
}

void TestPidStream(IMemInputPin* pPin, size_t nSample, const std::string& dir)
{
    const std::vector<uint8_t> stream = MakeStream(true, nSample);
    const Slices s{stream, nSample};
    const std::string path = dir + "bench_testpid.ts";
    ResetTestStreamCounters();
    double tRecord = 1e9, tCheck = 1e9, tAlign = 1e9;
    for (int round = 0; round < ROUNDS; ++round) {
        tRecord = std::min(tRecord, RunReceive(pPin, s, path, true));
        tCheck = std::min(tCheck, RunReceive(pPin, s, path, false));
        tAlign = std::min(tAlign, RunAlign(s));
    }
    std::printf("every packet on PID 0x100, samples of %zu bytes\n", nSample);
    std::printf("  Receive while recording:                %8.1f MB/s\n", Rate(tRecord));
    std::printf("  Receive while not recording:            %8.1f MB/s\n", Rate(tCheck));
    std::printf("  align and check alone:                  %8.1f MB/s\n", Rate(tAlign));
    std::printf("  (%u test packets, %u CRC errors)\n", nTestPackets.load(), nCrcErrors.load());
    std::remove(path.c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    std::string dir;
    if (argc > 1) {
        dir = argv[1];
        if (!dir.empty() && dir.back() != '\\' && dir.back() != '/')
            dir += '\\';
    } else {
        char szTemp[MAX_PATH];
        GetTempPathA(MAX_PATH, szTemp);
        dir = szTemp;
    }
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    {
        InterfaceHolder<IBaseFilter> pSink;
        InterfaceHolder<IPin> pPin;
        InterfaceHolder<IMemInputPin> pInput;
        if (CreateCaptureFilter(pSink, ProgramCaptureSession()) != S_OK ||
            pSink->FindPin(L"Input", pPin.OutSlot()) != S_OK ||
            pPin.QueryTo(pInput) != S_OK) {
            std::printf("no capture sink\n");
            return 1;
        }
        std::printf("files in %s, %llu MB per run\n", dir.c_str(), BYTES_PER_RUN >> 20);
        CompareWithFwrite(pInput, 65424, dir);
        CompareWithFwrite(pInput, 1048576, dir);
        TestPidStream(pInput, 65424, dir);
    }
    CoUninitialize();
    return 0;
}

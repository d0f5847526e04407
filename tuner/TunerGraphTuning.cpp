// CTunerGraph: tuning through the BDA control nodes, lock wait and signal levels.
#include "tuner/TunerGraph.h"

namespace {

constexpr ULONG FREQUENCY_MULTIPLIER = 1000;  // frequencies travel in kHz
constexpr LONG LOCK_POLL_MS = 100;
constexpr LONG NOT_SET = -1;

// The demodulator's setters take their values by address.
template <class T>
HRESULT PutByAddress(IBDA_DigitalDemodulator* pDemodulator, HRESULT (STDMETHODCALLTYPE IBDA_DigitalDemodulator::*put)(T*),
                     LONG value)
{
    T typed = static_cast<T>(value);
    return (pDemodulator->*put)(&typed);
}

HRESULT PutSymbolRate(IBDA_DigitalDemodulator* pDemodulator, ULONG nSymbolRate)
{
    return pDemodulator->put_SymbolRate(&nSymbolRate);
}

// Inner and outer FEC and spectral inversion are left to the tuner.
void PutFecAndInversionNotSet(IBDA_DigitalDemodulator* pDemodulator, bool bInner, bool bOuter)
{
    if (bInner) {
        PutByAddress(pDemodulator, &IBDA_DigitalDemodulator::put_InnerFECMethod, NOT_SET);
        PutByAddress(pDemodulator, &IBDA_DigitalDemodulator::put_InnerFECRate, NOT_SET);
    }
    if (bOuter) {
        PutByAddress(pDemodulator, &IBDA_DigitalDemodulator::put_OuterFECMethod, NOT_SET);
        PutByAddress(pDemodulator, &IBDA_DigitalDemodulator::put_OuterFECRate, NOT_SET);
        PutByAddress(pDemodulator, &IBDA_DigitalDemodulator::put_SpectralInversion, NOT_SET);
    }
}

// BDA modulation type for a cable constellation, or -1 when the order is not supported.
LONG CableModulation(ULONG nConstellation)
{
    switch (nConstellation) {
    case 16: return BDA_MOD_16QAM;
    case 32: return BDA_MOD_32QAM;
    case 64: return BDA_MOD_64QAM;
    case 128: return BDA_MOD_128QAM;
    case 256: return BDA_MOD_256QAM;
    default: return -1;
    }
}

bool IsBandwidthValid(ULONG nBandwidthMHz)
{
    return nBandwidthMHz >= 6 && nBandwidthMHz <= 8;
}

} // namespace

HRESULT CTunerGraph::FinishTuning()
{
    HRESULT hr = m_pDeviceControl->CheckChanges();
    if (hr != S_OK)
        return hr;
    hr = m_pDeviceControl->CommitChanges();
    if (hr != S_OK)
        return hr;
    return WaitForLock(TUNE_LOCK_BUDGET_MS) == 0 ? S_OK : E_FAIL;
}

HRESULT CTunerGraph::Tune(const TunePlan& plan)
{
    switch (plan.eCall) {
    case TuneCall::DVBS: {
        // The driver's LNB request reads the record through the parameters.
        LnbDataRecord lnb = plan.Lnb;
        SatTuneParams params = plan.Sat;
        params.pLnbData = &lnb;
        return TuneDVBS(&params);
    }
    case TuneCall::DVBT: return TuneDVBT(plan.nFrequencyKHz, plan.nBandwidthMHz);
    case TuneCall::DVBC: return TuneDVBC(plan.nFrequencyKHz, plan.nSymbolRate, plan.nConstellation);
    case TuneCall::ATSC: return TuneATSC(plan.nFrequencyKHz, plan.nBandwidthMHz);
    case TuneCall::None: break;
    }
    return E_INVALIDARG;
}

HRESULT CTunerGraph::TuneDVBS(const SatTuneParams* p)
{
    if (!p)
        return E_POINTER;
    if (!QLBDA_IOCTL_SET_LNB_DATA_Fun(p->pLnbData))
        OutputDebugStringA(" Lock_S QLBDA_IOCTL_SET_LNB_DATA_Fun fail");
    if (m_pLNBInfo.IsNull() || m_pFrequencyFilter.IsNull() || m_pDeviceControl.IsNull() || m_pDemodulator.IsNull())
        return E_NOINTERFACE;

    m_pDeviceControl->StartChanges();
    m_pFrequencyFilter->put_Bandwidth(static_cast<ULONG>(NOT_SET));
    m_pFrequencyFilter->put_Frequency(p->nFrequencyKHz);
    m_pFrequencyFilter->put_FrequencyMultiplier(FREQUENCY_MULTIPLIER);
    HRESULT hr = m_pFrequencyFilter->put_Polarity(p->nPolarity ? BDA_POLARISATION_LINEAR_H : BDA_POLARISATION_LINEAR_V);
    if (hr != S_OK)
        return hr;

    m_pFrequencyFilter->put_Range(0);
    PutFecAndInversionNotSet(m_pDemodulator, true, false);
    PutByAddress(m_pDemodulator.Get(), &IBDA_DigitalDemodulator::put_ModulationType, p->nModulation);
    PutFecAndInversionNotSet(m_pDemodulator, false, true);
    hr = PutSymbolRate(m_pDemodulator, p->nSymbolRate);
    if (hr != S_OK)
        return hr;

    // The switch frequency goes in MHz, the oscillators in kHz.
    hr = m_pLNBInfo->put_HighLowSwitchFrequency(p->nLofSwitchKHz / 1000);
    if (hr != S_OK)
        return hr;
    hr = m_pLNBInfo->put_LocalOscilatorFrequencyHighBand(p->nLof2KHz);
    if (hr != S_OK)
        return hr;
    hr = m_pLNBInfo->put_LocalOscilatorFrequencyLowBand(p->nLof1KHz);
    if (hr != S_OK)
        return hr;
    return FinishTuning();
}

HRESULT CTunerGraph::TuneDVBT(ULONG nFrequencyKHz, ULONG nBandwidthMHz)
{
    if (!IsBandwidthValid(nBandwidthMHz))
        return E_INVALIDARG;
    if (m_pFrequencyFilter.IsNull() || m_pDeviceControl.IsNull() || m_pDemodulator.IsNull())
        return E_NOINTERFACE;

    m_pFrequencyFilter->put_FrequencyMultiplier(FREQUENCY_MULTIPLIER);
    HRESULT hr = m_pFrequencyFilter->put_Bandwidth(nBandwidthMHz);
    if (hr != S_OK)
        return hr;
    hr = m_pFrequencyFilter->put_Frequency(nFrequencyKHz);
    if (hr != S_OK)
        return hr;

    m_pFrequencyFilter->put_Polarity(static_cast<Polarisation>(NOT_SET));
    m_pFrequencyFilter->put_Range(static_cast<ULONG>(NOT_SET));
    PutFecAndInversionNotSet(m_pDemodulator, true, false);
    PutByAddress(m_pDemodulator.Get(), &IBDA_DigitalDemodulator::put_ModulationType, NOT_SET);
    PutFecAndInversionNotSet(m_pDemodulator, false, true);
    // The tuner takes the bandwidth in the symbol-rate slot.
    PutSymbolRate(m_pDemodulator, nBandwidthMHz);
    return FinishTuning();
}

HRESULT CTunerGraph::TuneDVBC(ULONG nFrequencyKHz, ULONG nSymbolRate, ULONG nConstellation)
{
    const LONG nModulation = CableModulation(nConstellation);
    if (nModulation < 0)
        return E_INVALIDARG;
    if (m_pFrequencyFilter.IsNull() || m_pDeviceControl.IsNull() || m_pDemodulator.IsNull())
        return E_NOINTERFACE;

    m_pDeviceControl->StartChanges();
    m_pFrequencyFilter->put_Bandwidth(static_cast<ULONG>(NOT_SET));
    HRESULT hr = m_pFrequencyFilter->put_Frequency(nFrequencyKHz);
    if (hr != S_OK)
        return hr;

    m_pFrequencyFilter->put_FrequencyMultiplier(FREQUENCY_MULTIPLIER);
    m_pFrequencyFilter->put_Polarity(static_cast<Polarisation>(NOT_SET));
    m_pFrequencyFilter->put_Range(static_cast<ULONG>(NOT_SET));
    PutFecAndInversionNotSet(m_pDemodulator, true, false);
    hr = PutByAddress(m_pDemodulator.Get(), &IBDA_DigitalDemodulator::put_ModulationType, nModulation);
    if (hr != S_OK)
        return hr;

    PutFecAndInversionNotSet(m_pDemodulator, false, true);
    hr = PutSymbolRate(m_pDemodulator, nSymbolRate);
    if (hr != S_OK)
        return hr;
    return FinishTuning();
}

HRESULT CTunerGraph::TuneATSC(ULONG nFrequencyKHz, ULONG nBandwidthMHz)
{
    if (!IsBandwidthValid(nBandwidthMHz))
        return E_INVALIDARG;
    if (m_pFrequencyFilter.IsNull() || m_pDeviceControl.IsNull())
        return E_NOINTERFACE;

    HRESULT hr = m_pFrequencyFilter->put_FrequencyMultiplier(FREQUENCY_MULTIPLIER);
    if (hr != S_OK)
        return hr;
    m_pFrequencyFilter->put_Frequency(nFrequencyKHz);
    return FinishTuning();
}

HRESULT CTunerGraph::WaitForLock(LONG nBudgetMs)
{
    if (m_pSignalStatistics.IsNull())
        return E_FAIL;
    for (;;) {
        BOOLEAN bLocked = 0, bPresent = 0;
        const bool bLockRead = m_pSignalStatistics->get_SignalLocked(&bLocked) == S_OK;
        const bool bPresentRead = m_pSignalStatistics->get_SignalPresent(&bPresent) == S_OK;
        if (!bLockRead && !bPresentRead)
            return E_FAIL;
        const bool bIsLocked = (!bLockRead || bLocked) && (!bPresentRead || bPresent);
        if (bIsLocked)
            return 0;
        // Every non-zero budget pays for one pause per reading; the budget left decides
        // whether another reading follows (compared before subtracting, so that no budget
        // can wrap around).
        if (nBudgetMs != 0)
            Sleep(LOCK_POLL_MS);
        if (nBudgetMs <= LOCK_POLL_MS)
            return 1;
        nBudgetMs -= LOCK_POLL_MS;
    }
}

HRESULT CTunerGraph::GetSignalLevels(LONG* pnStrength, LONG* pnQuality)
{
    if (m_pSignalStatistics.IsNull())
        return E_FAIL;
    LONG nStrength = 0, nQuality = 0;
    const bool bStrengthRead = m_pSignalStatistics->get_SignalStrength(&nStrength) == S_OK;
    const bool bQualityRead = m_pSignalStatistics->get_SignalQuality(&nQuality) == S_OK;
    // Each output falls back to the other value when its own read failed.
    if (pnStrength)
        *pnStrength = bStrengthRead ? nStrength : (bQualityRead ? nQuality : 0);
    if (pnQuality)
        *pnQuality = bQualityRead ? nQuality : (bStrengthRead ? nStrength : 0);
    return (bStrengthRead || bQualityRead) ? S_OK : E_FAIL;
}

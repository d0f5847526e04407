#include "cli/CliTuners.h"

#include "cli/CliConsole.h"
#include "tuner/InfoLines.h"
#include "tuner/TunerGraph.h"

std::vector<CliTunerEntry> ListCliTuners(CTunerGraph& graph, const CConsoleStop* pStop, bool* pbStopped,
                                         int* pnOthers)
{
    QLDev devices[QLDEV_TABLE_SIZE] = {};
    int ordinals[QLDEV_TABLE_SIZE] = {};
    const int nCount = graph.EnumQLBDADevs(devices, ordinals, pnOthers);
    std::vector<CliTunerEntry> entries;
    for (int i = 0; i < nCount; ++i) {
        if (pStop && pStop->WaitForStop(0)) {
            if (pbStopped)
                *pbStopped = true;
            break;
        }
        CliTunerEntry entry;
        entry.nIndex = devices[i].nIndex;
        entry.nOrdinal = ordinals[i];
        entry.strName = devices[i].szName;
        entry.nSourceType = devices[i].Src_Type;
        DeviceInfoRecord device = {};
        DriverInfoRecord driver = {};
        char szName[FRIENDLY_NAME_SIZE] = {};
        SourceType nKind = SRC_TYPE_UNKNOWN;
        // A tuner whose records cannot be read keeps its place and its index.
        entry.bRecordsRead = graph.ReadRecordsWithoutRunning(entry.nOrdinal, szName, &device, &driver, &nKind) == S_OK;
        if (entry.bRecordsRead) {
            entry.strDriverLine = FormatDriverLine(driver);
            entry.strDeviceLine = FormatDeviceLine(device);
            entry.strMac = FormatMac(device);
        }
        entries.push_back(entry);
    }
    return entries;
}

// Fuzzes the tuning-list reader with any text. Whatever it accepts must convert for every
// tuner kind without fault, giving either values or a reason, and whatever the writer then
// accepts must read back to the same entries.
#include "channels/TuningEntry.h"
#include "channels/TuningList.h"

#include <cstdlib>
#include <string>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TuningList list;
    TuningListError error;
    if (!ParseTuningList(std::string(reinterpret_cast<const char*>(data), size), list, error)) {
        Require(!error.strReason.empty());
        return 0;
    }
    Require(!list.Entries.empty());
    for (const TuningListEntry& entry : list.Entries)
        for (int32_t nKind = -1; nKind <= 5; ++nKind) {
            TuningValues values;
            std::string strReason;
            Require(ConvertTuningEntry(entry, nKind, values, strReason) ? values.nSourceType == nKind
                                                                         : !strReason.empty());
        }

    std::string strText;
    if (!FormatChannelFile(list.Entries, strText, error))
        return 0;
    TuningList again;
    Require(ParseTuningList(strText, again, error));
    Require(again.Format == TuningListFormat::Sections && again.Entries.size() == list.Entries.size());
    for (size_t i = 0; i < list.Entries.size(); ++i)
        Require(again.Entries[i].strName == list.Entries[i].strName && again.Entries[i].Keys == list.Entries[i].Keys);
    return 0;
}

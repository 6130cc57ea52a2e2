#include "watch/EarlierArrangements.h"
#include <cwchar>

std::wstring SnapshotTimeText(const SnapshotEntry& entry, const wchar_t* today)
{
    const SYSTEMTIME at = SnapshotLocalTime(entry);
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    wchar_t text[64];
    if (at.wYear == now.wYear && at.wMonth == now.wMonth && at.wDay == now.wDay)
        swprintf(text, 64, L"%ls%02u:%02u", today, at.wHour, at.wMinute);
    else
        swprintf(text, 64, L"%04u-%02u-%02u %02u:%02u", at.wYear, at.wMonth, at.wDay, at.wHour, at.wMinute);
    return text;
}

std::vector<CEarlierArrangement> ListEarlierArrangements(const CDisplaySetup& setup)
{
    std::vector<CEarlierArrangement> earlier;
    // The icon counts read the files in this configuration's coordinates;
    // nothing here calls into the shell.
    CDisplayConfig display;
    display.Capture();
    for (const SnapshotEntry& entry : CSnapshotStore().List(setup)) {
        if (earlier.size() == kEarlierArrangements)
            break;
        wchar_t label[128];
        swprintf(label, 128, L"%ls \x2014 %ls, %d icons", SnapshotTimeText(entry, L"Today ").c_str(),
                 SnapshotKindText(entry.kind), SnapshotIconCount(entry, display));
        earlier.push_back({ entry, label });
    }
    return earlier;
}

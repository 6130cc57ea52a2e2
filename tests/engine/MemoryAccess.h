#pragma once
#include <windows.h>
#include <map>
#include <string>
#include <vector>
#include "engine/RestoreAccess.h"

// A restore access that answers from memory, for the rules of the algorithm
// itself: it keeps the icons, records every move and placement with the view
// flags of that moment, and lets placements miss where the test says so.
class CMemoryAccess : public CRestoreAccess
{
public:
    static constexpr DWORD kSnap = 1;
    static constexpr DWORD kArrange = 2;

    struct Icon
    {
        std::wstring name;
        std::wstring identity;
        POINT pt;
        Identity kind = Identity::Text;
    };
    struct Step
    {
        int index;
        POINT pt;
        DWORD flags;
    };

    std::vector<Icon> icons;
    SIZE spacing = { 75, 75 };
    std::vector<int> unmatched; // what the scan answers: the scan is each deliverable's
    std::map<int, int> misses;  // icon -> placements that land beside the target (-1: all)
    bool claims = true;
    bool begins = true;
    DWORD flags = 0;
    int flagWrites = 0;
    std::vector<Step> moved;
    std::vector<Step> placed;
    int finished = 0;

    int Placements(int index) const
    {
        int count = 0;
        for (const Step& step : placed)
            count += step.index == index;
        return count;
    }

    DWORD ReadViewFlags() override { return flags; }
    void SetViewFlags(DWORD mask, DWORD value) override
    {
        flags = (flags & ~mask) | (value & mask);
        ++flagWrites;
    }
    DWORD ArrangeMask() const override { return kSnap | kArrange; }
    DWORD SnapMask() const override { return kSnap; }
    bool CellSpacing(SIZE& out) override { return out = spacing, true; }
    bool ScanUnmatched(const CIconRecordArray&, std::vector<int>& out) override { return out = unmatched, true; }
    bool ItemRect(int index, SIZE cell, RECT& rect) override
    {
        const POINT pt = icons[index].pt;
        rect = { pt.x, pt.y, pt.x + cell.cx, pt.y + cell.cy };
        return true;
    }
    void MoveItem(int index, POINT cell) override
    {
        moved.push_back({ index, cell, flags });
        icons[index].pt = cell;
    }
    bool BeginPlacement() override { return begins; }
    int NextCandidate(const IconRecord& record, int after) override
    {
        for (int i = after + 1; i < static_cast<int>(icons.size()); ++i) {
            if (_wcsicmp(icons[i].name.c_str(), record.Name.c_str()) == 0)
                return i;
        }
        return -1;
    }
    Identity ReadIdentity(int candidate, CWideString& text) override
    {
        text = icons[candidate].identity.c_str();
        return icons[candidate].kind;
    }
    bool Place(int candidate, POINT pt) override
    {
        placed.push_back({ candidate, pt, flags });
        int& miss = misses[candidate];
        const bool there = miss == 0;
        if (miss > 0)
            --miss;
        icons[candidate].pt = there ? pt : POINT{ pt.x + 1, pt.y + 1 };
        return there;
    }
    bool ClaimsItems() const override { return claims; }
    void Finish() override { ++finished; }
};

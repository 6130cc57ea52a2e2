#pragma once
#include <vector>
#include "layout/WideString.h"

// One saved desktop icon. When Monitor is not -1 the position is relative to
// that monitor's top-left corner, otherwise it is in desktop list view
// coordinates. A legacy record carries only a name: Path repeats Name.
struct IconRecord
{
    CWideString Path;
    CWideString Name;
    int XCoord = 0;
    int YCoord = 0;
    int Monitor = -1;
    int Index = 0;
    bool Legacy = false;
};

using CIconRecordArray = std::vector<IconRecord>;

// Receives each captured record the moment it is read.
class CRecordSink
{
public:
    virtual void Put(const IconRecord& record) = 0;

protected:
    ~CRecordSink() = default;
};

#pragma once
#include <functional>
#include <ostream>
#include <string>
#include <vector>
#include "layout/Capture.h"
#include "tests/common/TestSupport.h"

// A capture that hands over records chosen by the test.
class CFakeCapture : public CLayoutCapture
{
public:
    CFakeCapture() = default;
    explicit CFakeCapture(std::vector<IconRecord> list) : records(std::move(list)) {}

    bool Ready() const override { return ready; }
    int Run(CRecordSink& sink) override
    {
        ++runs;
        for (size_t i = 0; i < records.size(); ++i) {
            sink.Put(records[i]);
            if (afterPut)
                afterPut(i);
        }
        return static_cast<int>(records.size());
    }

    std::vector<IconRecord> records;
    // Called after each record; may throw to stand for a capture that fails half way.
    std::function<void(size_t)> afterPut;
    bool ready = true;
    int runs = 0;
};

inline IconRecord MakeIcon(const wchar_t* path, const wchar_t* name, int x, int y, int monitor, int index)
{
    IconRecord record;
    record.Path = path;
    record.Name = name;
    record.XCoord = x;
    record.YCoord = y;
    record.Monitor = monitor;
    record.Index = index;
    return record;
}

// A legacy record as a capture makes it (Index is its ordinal) or as a reader
// returns it (Index 0).
inline IconRecord MakeLegacy(const wchar_t* name, int x, int y, int index = 0)
{
    IconRecord record = MakeIcon(name, name, x, y, -1, index);
    record.Legacy = true;
    return record;
}

inline bool operator==(const IconRecord& a, const IconRecord& b)
{
    return std::wstring(a.Path.c_str()) == b.Path.c_str() && std::wstring(a.Name.c_str()) == b.Name.c_str() &&
           a.XCoord == b.XCoord && a.YCoord == b.YCoord && a.Monitor == b.Monitor && a.Index == b.Index &&
           a.Legacy == b.Legacy;
}

inline void PrintTo(const IconRecord& r, std::ostream* out)
{
    *out << "{Path \"" << Narrow(r.Path.c_str()) << "\", Name \"" << Narrow(r.Name.c_str()) << "\", " << r.XCoord
         << ", " << r.YCoord << ", Monitor " << r.Monitor << ", Index " << r.Index << (r.Legacy ? ", Legacy}" : "}");
}

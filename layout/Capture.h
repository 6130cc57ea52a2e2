#pragma once
#include <windows.h>
#include "layout/IconRecord.h"

// One walk over the desktop icons that hands each icon record to a sink.
// The writers ask Ready() before they touch a stored layout: a desktop that
// cannot be reached leaves the stored layout as it was.
class CLayoutCapture
{
public:
    virtual ~CLayoutCapture() = default;
    // True when the desktop could be reached, so that Run() can capture.
    virtual bool Ready() const = 0;
    // Hands every record to the sink in capture order; returns the count.
    virtual int Run(CRecordSink& sink) = 0;
    // After Run: S_OK, or why the desktop could not be read whole; the
    // writers then store nothing.
    virtual HRESULT Status() const { return S_OK; }
};

#pragma once
#include <windows.h>
#include <shlobj.h>

// Small owners for the host tests, which walk the shell objects by hand.

// {4C96BE40-915C-11CF-99D3-00AA004AE837}
const GUID kSidTopLevelBrowser = { 0x4C96BE40, 0x915C, 0x11CF, { 0x99, 0xD3, 0x00, 0xAA, 0x00, 0x4A, 0xE8, 0x37 } };

template <class T>
struct Ref
{
    T* p = nullptr;
    Ref() = default;
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    ~Ref() { if (p) p->Release(); }
    T* operator->() const { return p; }
    T** operator&() { return &p; }
    void** Void() { return reinterpret_cast<void**>(&p); }
};

struct IdList
{
    LPITEMIDLIST p = nullptr;
    IdList() = default;
    IdList(const IdList&) = delete;
    IdList& operator=(const IdList&) = delete;
    ~IdList() { CoTaskMemFree(p); }
};

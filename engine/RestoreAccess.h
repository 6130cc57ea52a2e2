#pragma once
#include <windows.h>
#include <functional>
#include <vector>
#include "engine/ViewFlags.h"
#include "layout/IconRecord.h"

// What the restore engine needs of the desktop. The shell extension answers
// with list view messages from inside the shell, the command-line tool with
// calls on the shell's folder view from its own process; the restore
// algorithm itself (RunRestore) is the same for both. Its view flags are
// the ones that RunRestore switches off while icons move.
class CRestoreAccess : public CViewFlagSwitch
{
public:
    // How a candidate icon identifies itself beyond its name.
    enum class Identity
    {
        Text,       // the identity text was read
        NoIdList,   // the icon has no ID list: it is taken on its name alone
        Unreadable, // the icon cannot be identified: it is passed over
    };

    virtual bool CellSpacing(SIZE& spacing) = 0;
    // Ascending indices of the icons that no record claims. An icon that the
    // placement will take by its file name (RunRestore) is claimed: the scan
    // must not move it aside first.
    virtual bool ScanUnmatched(const CIconRecordArray& records, std::vector<int>& unmatched) = 0;
    // The rectangle that an unmatched icon covers; false when it is gone.
    virtual bool ItemRect(int index, SIZE spacing, RECT& rect) = 0;
    // Moves an unmatched icon onto a free cell (not read back).
    virtual void MoveItem(int index, POINT cell) = 0;

    // Prepares the candidate search; false ends the restore as failed.
    virtual bool BeginPlacement() = 0;
    // The next icon after `after` (-1: from the first) whose name equals the
    // record's Name, letter case ignored; -1 when there is none.
    virtual int NextCandidate(const IconRecord& record, int after) = 0;
    virtual Identity ReadIdentity(int candidate, CWideString& text) = 0;
    // Puts the icon at pt; true when it is (or will be) there.
    virtual bool Place(int candidate, POINT pt) = 0;
    // True when an icon that a non-legacy record took is out of the search
    // for the later records of the pass.
    virtual bool ClaimsItems() const = 0;
    // Runs after the last pass, before snap-to-grid is put back.
    virtual void Finish() = 0;

protected:
    ~CRestoreAccess() = default;
};

// The call a restore makes just before it first moves an icon (the undo
// layout is kept then, from positions that nothing has changed yet), and
// never when it moves none: a restore that finds every icon in place must
// not replace the undo layout of the last one that moved them.
class CFirstMoveHook
{
public:
    CFirstMoveHook() = default;
    explicit CFirstMoveHook(std::function<void()> call) : m_call(std::move(call)) {}
    void Fire()
    {
        if (!m_call)
            return;
        const std::function<void()> call = std::move(m_call);
        m_call = nullptr;
        call();
    }

private:
    std::function<void()> m_call;
};

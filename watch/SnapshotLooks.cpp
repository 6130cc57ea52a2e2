#include "watch/SnapshotLooks.h"
#include <algorithm>

namespace {

constexpr ULONGLONG kLongestInterval = 24ULL * 60 * 60 * 1000;

} // namespace

void CSnapshotLooks::SetInterval(ULONGLONG interval)
{
    m_interval = std::clamp(interval, kShortestInterval, kLongestInterval);
    m_nextLookAt = std::min(m_nextLookAt, m_clock.Now() + m_interval);
}

void CSnapshotLooks::Settled(const std::wstring& setup)
{
    m_settled = setup;
    m_hasSettled = true;
    m_hasPrevious = false;
    m_nextLookAt = m_clock.Now() + m_interval;
}

void CSnapshotLooks::Allow(bool& flag, bool value)
{
    if (flag == value)
        return;
    flag = value;
    // Positions seen before a pause are no arrangement of what follows it.
    m_hasPrevious = false;
    m_nextLookAt = m_clock.Now() + m_interval;
}

void CSnapshotLooks::Quiet(ULONGLONG at)
{
    m_quietUntil = std::max(m_quietUntil, at + kQuiet);
    m_hasPrevious = false;
}

bool CSnapshotLooks::MayLook() const
{
    return m_autoSnapshot && m_running && m_sessionActive && m_calm && m_hasSettled && m_clock.Now() >= m_quietUntil;
}

UINT CSnapshotLooks::NextLookIn() const
{
    if (!m_autoSnapshot || !m_running || !m_sessionActive || !m_calm || !m_hasSettled)
        return kNoLook;
    const ULONGLONG due = std::max(m_nextLookAt, m_quietUntil);
    const ULONGLONG now = m_clock.Now();
    return static_cast<UINT>(due > now ? due - now : 0);
}

LookStep CSnapshotLooks::Check(const CSnapshotLook& look)
{
    if (!look.reached || look.icons == 0) {
        m_hasPrevious = false;
        return LookStep::None;
    }
    if (look.setup != m_settled) {
        m_hasPrevious = false;
        return LookStep::Trigger;
    }
    return LookStep::Snapshot;
}

bool CSnapshotLooks::DiffersFromNewest(const CSnapshotLook& look) const
{
    const auto newest = m_newest.find(look.setup);
    return newest == m_newest.end() || newest->second != look.positions;
}

LookStep CSnapshotLooks::Look(const CSnapshotLook& look)
{
    m_nextLookAt = m_clock.Now() + m_interval;
    if (!MayLook()) {
        m_hasPrevious = false;
        return LookStep::None;
    }
    const LookStep step = Check(look);
    if (step != LookStep::Snapshot)
        return step;
    const bool steady = m_hasPrevious && m_previous.positions == look.positions;
    m_previous = look;
    m_hasPrevious = true;
    return steady && DiffersFromNewest(look) ? LookStep::Snapshot : LookStep::None;
}

LookStep CSnapshotLooks::LookBeforeLeaving(const CSnapshotLook& look)
{
    if (!MayLook())
        return LookStep::None;
    const LookStep step = Check(look);
    if (step != LookStep::Snapshot)
        return step;
    m_previous = look;
    m_hasPrevious = true;
    return DiffersFromNewest(look) ? LookStep::Snapshot : LookStep::None;
}

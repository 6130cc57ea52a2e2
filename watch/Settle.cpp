#include "watch/Settle.h"

namespace {

class CSystemWatchClock : public CWatchClock
{
public:
    ULONGLONG Now() override { return GetTickCount64(); }
    ULONGLONG LastInput() override
    {
        LASTINPUTINFO info = { sizeof(info), 0 };
        const ULONGLONG now = GetTickCount64();
        if (!GetLastInputInfo(&info))
            return 0;
        // dwTime is a GetTickCount value, which wraps after 49.7 days.
        const DWORD ago = static_cast<DWORD>(now) - info.dwTime;
        return ago <= now ? now - ago : 0;
    }
};

} // namespace

CWatchClock& SystemWatchClock()
{
    static CSystemWatchClock s_clock;
    return s_clock;
}

void CSettle::Settled(const CDesktopState& now)
{
    m_settledName = now.reached ? now.layoutName : std::wstring();
    m_phase = Phase::Idle;
}

void CSettle::Trigger(ULONGLONG at, bool shellRestarted, const CDesktopState& now)
{
    if (m_phase != Phase::Settling) {
        // The first trigger of a change: the desktop as Windows had it.
        m_before = now;
        m_changeAt = at;
        m_shellRestarted = false;
        m_restores = 0;
    }
    m_shellRestarted = m_shellRestarted || shellRestarted;
    m_phase = Phase::Settling;
    m_triggerAt = at;
    m_last = now;
    m_nameSince = at;
    m_positionsSince = at;
}

SettleStep CSettle::Look(const CDesktopState& now)
{
    const ULONGLONG at = m_clock.Now();
    switch (m_phase) {
    case Phase::Idle:
        return SettleStep::Done;
    case Phase::Checking:
        if (at < m_checkAt)
            return SettleStep::Wait;
        m_phase = Phase::Idle;
        if (!now.reached || now.positions == m_restoredPositions)
            return SettleStep::Done;
        return m_clock.LastInput() > m_restoreAt ? SettleStep::LeftAlone : SettleStep::Restore;
    case Phase::Settling:
        break;
    }

    // An unreadable desktop is not a settled one.
    if (!now.reached || !m_last.reached || now.layoutName != m_last.layoutName)
        m_nameSince = at;
    if (!now.reached || !m_last.reached || now.positions != m_last.positions)
        m_positionsSince = at;
    m_last = now;
    const bool settled = at - m_nameSince >= kNameSteady && at - m_positionsSince >= kPositionsSteady;
    if (!settled && at - m_triggerAt < kLongest)
        return SettleStep::Wait;

    const bool asSeen = now.reached && m_seen.reached && now.layoutName == m_seen.layoutName &&
                        now.setup == m_seen.setup && now.positions == m_seen.positions;
    const bool cameBack = asSeen || (!m_shellRestarted && now.reached && m_before.reached &&
                                     now.layoutName == m_settledName && now.positions == m_before.positions);
    m_settledName = now.reached ? now.layoutName : std::wstring();
    m_settledAfter = at - m_changeAt;
    m_phase = Phase::Idle;
    m_restoreAt = at;
    return cameBack ? SettleStep::Unchanged : SettleStep::Restore;
}

void CSettle::Restored(const CDesktopState& now)
{
    ++m_restores;
    if (m_restores >= kMostRestores) {
        m_phase = Phase::Idle;
        return;
    }
    m_phase = Phase::Checking;
    m_checkAt = m_clock.Now() + kSecondLook;
    m_restoredPositions = now.positions;
}

UINT CSettle::NextLookIn() const
{
    if (m_phase == Phase::Checking) {
        const ULONGLONG at = m_clock.Now();
        return static_cast<UINT>(at >= m_checkAt ? 0 : m_checkAt - at);
    }
    return static_cast<UINT>(kLookInterval);
}

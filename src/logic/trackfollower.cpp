#include "logic/trackfollower.h"

#include "logic/routetext.h"

#include <algorithm>

void CTrackFollower::SetTrack(std::unique_ptr<CGPSTrack> pTrack)
{
    m_pTrack = std::move(pTrack);
    m_startPoint = CGPSPoint();
    m_nShownRecord = -1;
}

void CTrackFollower::ReadTrack()
{
    if (!m_pTrack || !m_pTrack->IsOpen())
        return;
    // The cursor walks up to the start point; a track without one stays at its end.
    const auto rewindToStart = [this] {
        if (m_startPoint.m_bValid)
            m_pTrack->Rewind();
    };
    try {
        while (m_pTrack->ReadNextRecord()) {
            const CGPSPoint* pPoint = m_startPoint.m_bValid ? nullptr : m_pTrack->GetCurrent();
            if (!pPoint)
                continue;
            if (pPoint->m_bValid)
                m_startPoint = *pPoint;
            m_pTrack->Advance();
        }
    } catch (...) {
        rewindToStart();
        throw;
    }
    rewindToStart();
}

void CTrackFollower::Advance()
{
    if (m_pTrack)
        m_pTrack->Advance();
}

void CTrackFollower::Rewind()
{
    if (m_pTrack && m_pTrack->IsOpen())
        m_pTrack->Rewind();
}

void CTrackFollower::ShowNext()
{
    if (!m_pTrack)
        return;
    const CGPSPoint* pPoint = m_pTrack->GetCurrent();
    if (pPoint && pPoint->m_bValid)
        ShowRecord(m_pTrack->GetCursor());
    m_display.ShowRouteSecond(m_pTrack->GetCursor());
    m_pTrack->Advance();
}

void CTrackFollower::ShowSecond(std::int64_t nSecond)
{
    if (!m_pTrack)
        return;
    const int nRecord = RecordForSecond(*m_pTrack, nSecond);
    if (nRecord >= 0 && nRecord != m_nShownRecord)
        ShowRecord(nRecord);
    m_display.ShowRouteSecond(nSecond);
    m_pTrack->SetCursor(int(std::min<std::int64_t>(nSecond + 1, m_pTrack->GetCount())));
}

std::string CTrackFollower::Route() const
{
    return m_pTrack ? RouteText(*m_pTrack) : std::string();
}

void CTrackFollower::ShowRecord(int nRecord)
{
    m_display.ShowTrackStep(TrackStepOf(*m_pTrack->GetAt(nRecord)));
    m_nShownRecord = nRecord;
}

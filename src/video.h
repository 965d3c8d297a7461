#pragma once

#include <string>

// One play-list entry: what the list views show and the path that playback opens.
class CVideoEntry
{
public:
    CVideoEntry() = default;
    CVideoEntry(std::string strName, std::string strDate, std::string strTime, std::string strPath,
                std::string strLog)
        : m_strName(std::move(strName)), m_strDate(std::move(strDate)), m_strTime(std::move(strTime)),
          m_strPath(std::move(strPath)), m_strLog(std::move(strLog))
    {
    }
    virtual ~CVideoEntry() = default;
    CVideoEntry(const CVideoEntry&) = default;
    CVideoEntry& operator=(const CVideoEntry&) = default;

    std::string m_strName;
    std::string m_strDate;
    std::string m_strTime;
    std::string m_strPath;
    std::string m_strLog;
};

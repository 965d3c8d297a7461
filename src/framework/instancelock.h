#pragma once

#include <QString>

// A lock named after a string, held for the life of the process and dropped by the
// kernel when the process ends, however it ends. Only its being held matters.
class CInstanceLock
{
public:
    CInstanceLock() = default;
    ~CInstanceLock();
    CInstanceLock(const CInstanceLock&) = delete;
    CInstanceLock& operator=(const CInstanceLock&) = delete;

    // True if this process now holds the lock; false if another process holds it.
    bool Acquire(const QString& strName);
    static QString LockFilePath(const QString& strName);

private:
    int m_nFd = -1;
};

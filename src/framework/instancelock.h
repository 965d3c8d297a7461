#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// A lock named after a string, held for the life of the process and dropped by the
// kernel when the process ends, however it ends.
//
// Its file may live in one of a fixed sequence of folders: $XDG_RUNTIME_DIR (when absolute),
// then deruziz-<uid> in $TMPDIR or /tmp, then ~/.local/state/deruziz. A folder counts only if it
// belongs to this user with mode 700. The first usable one takes the lock, and every later
// usable one is locked shared, so that copies which find different first places (a runtime
// folder made after the first start, say) still exclude each other. Copies given different
// runtime folders count as different sessions: they lock different bytes of the shared files.
class CInstanceLock
{
public:
    CInstanceLock() = default;
    ~CInstanceLock();
    CInstanceLock(const CInstanceLock&) = delete;
    CInstanceLock& operator=(const CInstanceLock&) = delete;

    // False if another process holds the lock. True if this process now holds it, and also
    // when no place could be used at all (IsHeld() false): a lock that cannot be kept does not
    // refuse the start.
    bool Acquire(const QString& strName);
    bool IsHeld() const { return !m_fds.empty(); }
    void Release();

    // Why places of the sequence could not be used by the last Acquire, one line each.
    const QStringList& Problems() const { return m_problems; }

    // The lock file in the first place that can be used; empty if none can.
    static QString LockFilePath(const QString& strName);

private:
    std::vector<int> m_fds;
    QStringList m_problems;
};

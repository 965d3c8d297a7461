#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>

#include <functional>
#include <vector>

// The program's own name on the session bus. The running copy owns it, which where a bus
// exists is a lock that no stale or squatted file can fake, and takes the paths a later copy
// hands over.
class CInstanceBus : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.orvane.deruziz.Instance")
public:
    // Connects to the session bus if there is one; nothing is started to provide one. Needs
    // no application object, so that the decision comes before anything slow starts.
    CInstanceBus();
    ~CInstanceBus() override;
    CInstanceBus(const CInstanceBus&) = delete;
    CInstanceBus& operator=(const CInstanceBus&) = delete;

    bool IsConnected() const { return m_bus.isConnected(); }

    enum class Claim { Owned, Taken, Failed };
    // Takes the name (Taken: another process has it; Failed: no bus, or it refused).
    Claim ClaimName();
    // Hands the paths to the owner of the name, which opens them and raises its window;
    // waits a little for an owner that holds the lock but has not taken the name yet.
    bool HandOver(const QStringList& paths, QString& strError);

    // Who opens the paths handed over; those that came before are handed on at once.
    using PathsHandler = std::function<void(const QStringList&)>;
    void SetPathsHandler(PathsHandler fnHandler);

public Q_SLOTS:
    Q_SCRIPTABLE void OpenPaths(const QStringList& paths);

private:
    QDBusConnection m_bus;
    PathsHandler m_fnHandler;
    std::vector<QStringList> m_pending;
};

#pragma once

#include <QString>
#include <QWebEngineUrlSchemeHandler>

// Serves res://<module>/<name> from the program's compiled-in pages, pictures and scripts.
// Names match without regard to case, so relative references inside a page ("gps.jpg",
// "leaflet/leaflet.js") resolve to other resources. Anything unknown fails inside the browser.
class CResSchemeHandler : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT
public:
    static constexpr const char* kScheme = "res";

    explicit CResSchemeHandler(QObject* pParent = nullptr);

    // Must run before the first web engine object exists.
    static void RegisterScheme();
    // The host part of the program's res: URLs: the executable's file name, reduced to the
    // characters a host may carry. Empty if the executable cannot be named.
    static QString ModuleName();
    // Content type for a resource name, by its extension.
    static QByteArray ContentType(const QString& name);

    void requestStarted(QWebEngineUrlRequestJob* pJob) override;
};

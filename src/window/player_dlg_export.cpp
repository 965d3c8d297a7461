#include "window/player_dlg.h"

#include "gpx/gpxexport.h"
#include "gpx/gpxwriter.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

QString CPlayerDlg::ExportFolder()
{
    const QString strDocuments = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(strDocuments).isDir() ? strDocuments : QDir::homePath();
}

void CPlayerDlg::OnExportGpx()
{
    const CGPSTrack* pTrack = m_tracking.Track();
    if (!pTrack || !pTrack->IsOpen() || !HasValidRecord(*pTrack)) {
        QMessageBox::information(this, QApplication::applicationName(),
                                 QStringLiteral("The clip has no GPS track to export."));
        return;
    }
    QFileDialog dialog(this, QStringLiteral("Export Track as GPX"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("GPX files (*.gpx)"));
    dialog.setDefaultSuffix(QStringLiteral("gpx"));
    // The user's documents (home where there is no such folder), never the card the clip came from.
    dialog.setDirectory(ExportFolder());
    dialog.selectFile(QFileInfo(m_strClipPath).completeBaseName() + QStringLiteral(".gpx"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    // The dialog offers any name, the clip's and its logs' among them.
    QString strError;
    if (!WriteClipTrackGpx(*pTrack, QFile::encodeName(m_strClipPath).toStdString(),
                           dialog.selectedFiles().constFirst(), strError))
        QMessageBox::warning(this, QApplication::applicationName(), strError);
}

#include "framework/filereport.h"

#include "framework/core/fileerror.h"

#include <QApplication>
#include <QMessageBox>

namespace {

void ShowFileErrorBox(QWidget* pOwner, const QString& strText)
{
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), strText, QMessageBox::Ok, pOwner);
    box.exec();
}

} // namespace

void ReportFileError(QWidget* pOwner, const CFileException& error)
{
    ShowFileErrorBox(pOwner, QString::fromStdString(error.GetErrorMessage()));
}

void ReportFileErrors(QWidget* pOwner, const std::vector<CFileException>& errors)
{
    if (errors.empty())
        return;
    QString strText = QString::fromStdString(errors.front().GetErrorMessage());
    const std::size_t nMore = errors.size() - 1;
    if (nMore == 1)
        strText += QStringLiteral("\n\n1 more file could not be read either.");
    else if (nMore > 1)
        strText += QStringLiteral("\n\n%1 more files could not be read either.").arg(nMore);
    ShowFileErrorBox(pOwner, strText);
}

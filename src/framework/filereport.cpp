#include "framework/filereport.h"

#include "framework/core/fileerror.h"

#include <QApplication>
#include <QMessageBox>
#include <QStringList>

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

void ReportFileErrors(QWidget* pOwner, const std::vector<CFileException>& errors, const QString& strNote)
{
    if (errors.empty() && strNote.isEmpty())
        return;
    QStringList paragraphs;
    if (!errors.empty())
        paragraphs.append(QString::fromStdString(errors.front().GetErrorMessage()));
    const std::size_t nMore = errors.empty() ? 0 : errors.size() - 1;
    if (nMore == 1)
        paragraphs.append(QStringLiteral("1 more file could not be read either."));
    else if (nMore > 1)
        paragraphs.append(QStringLiteral("%1 more files could not be read either.").arg(nMore));
    if (!strNote.isEmpty())
        paragraphs.append(strNote);
    ShowFileErrorBox(pOwner, paragraphs.join(QStringLiteral("\n\n")));
}

#include "framework/filereport.h"

#include "framework/fileerror.h"

#include <QApplication>
#include <QMessageBox>

void ReportFileError(QWidget* pOwner, const CFileException& error)
{
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(),
                    QString::fromStdString(error.GetErrorMessage()), QMessageBox::Ok, pOwner);
    box.exec();
}

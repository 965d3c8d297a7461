#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QString>

// The program's compiled-in resources: bitmaps and icons by number, strings by number,
// pages and pictures by name (names match without regard to case).
namespace Resources {

// Bitmap resource as a 32-bit RGB image; a null image if there is no such bitmap.
QImage LoadBitmap(unsigned nId);
// Icon resource image with its alpha channel; a null image if there is none.
QImage LoadIconImage(unsigned nId);
QIcon LoadIcon(unsigned nId);
// String table entry; empty if there is none.
QString LoadString(unsigned nId);
// Resource path (":/html/...") of a named resource, matched without regard to case;
// empty if the name is unknown. Names may contain "/" for nested resources.
QString FindNamed(const QString& name);
// Contents of a named resource; false if the name is unknown.
bool LoadNamed(const QString& name, QByteArray* pData);

} // namespace Resources

#pragma once
// Included ahead of every GUI test's sources.
//
// Qt Test's verify macros return from the test body
// without telling GoogleTest, so a failing check would pass and skip the rest of the test: they
// are poisoned here. Wait with WaitFor (waitfor.h) and check with ASSERT_*/EXPECT_* instead.
#include <QSignalSpy>
#include <QString>
#include <QTest>

#include <ostream>

#undef QVERIFY
#undef QVERIFY2
#undef QCOMPARE
#undef QFAIL
#undef QTRY_VERIFY
#undef QTRY_VERIFY2
#undef QTRY_COMPARE
#undef QTRY_VERIFY_WITH_TIMEOUT
#undef QTRY_VERIFY2_WITH_TIMEOUT
#undef QTRY_COMPARE_WITH_TIMEOUT
#undef QVERIFY_THROWS_EXCEPTION
#undef QVERIFY_THROWS_NO_EXCEPTION
#pragma GCC poison QVERIFY QVERIFY2 QCOMPARE QFAIL QTRY_VERIFY QTRY_VERIFY2 QTRY_COMPARE
#pragma GCC poison QTRY_VERIFY_WITH_TIMEOUT QTRY_VERIFY2_WITH_TIMEOUT QTRY_COMPARE_WITH_TIMEOUT
#pragma GCC poison QVERIFY_THROWS_EXCEPTION QVERIFY_THROWS_NO_EXCEPTION

// GoogleTest shows a QString in a failure as text, not as bytes.
inline void PrintTo(const QString& strText, std::ostream* pStream)
{
    *pStream << '"' << strText.toStdString() << '"';
}

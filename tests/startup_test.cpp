#include <QtTest>

#include "platform/Form.h"
#include "show/MainForm.h"
#include "testsupport.h"

using testsupport::Disc;
using testsupport::Session;

class StartupTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void withoutProgramFileSaysViewerNotFound();
    void withoutPictureFoldersSaysSo();
};

void StartupTest::withoutProgramFileSaysViewerNotFound() {
    Disc disc;
    disc.picture(QStringLiteral("Holiday/a.jpg"));
    disc.removeProgramFile();
    Session session(disc);
    QCOMPARE(session.start(), nullptr);
    QCOMPARE(session.messages, QStringList{QStringLiteral("Viewer NOT Found")});
    QCOMPARE(session.titles, QStringList{QStringLiteral("Lumosa")});
    QVERIFY(session.ended);
}

void StartupTest::withoutPictureFoldersSaysSo() {
    Disc disc;
    disc.picture(QStringLiteral("_hidden/a.jpg"));
    disc.file(QStringLiteral("Docs/readme.txt"), "text");
    Session session(disc);
    QCOMPARE(session.start(), nullptr);
    QCOMPARE(session.messages,
             QStringList{QStringLiteral("No folders containing images exist in this location.")});
    QVERIFY(session.ended);
}

QTEST_MAIN(StartupTest)
#include "startup_test.moc"

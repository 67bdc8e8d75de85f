// The forms layer: text files, listings, geometry in twips, the timer and window lifetimes;
// and the reading of a delay value.
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QtTest>

#include <filesystem>

#include "platform/CommandButton.h"
#include "platform/FileSystem.h"
#include "platform/FolderListing.h"
#include "platform/Form.h"
#include "platform/Label.h"
#include "platform/Timer.h"
#include "platform/Twips.h"
#include "show/Delay.h"
#include "testsupport.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

using platform::Forms;
using platform::TextStream;

namespace {

QStringList readAll(const QByteArray& bytes) {
    TextStream stream(bytes);
    QStringList lines;
    while (!stream.AtEndOfStream()) {
        lines.append(stream.ReadLine());
    }
    return lines;
}

// A window that counts its loads and can unload itself from a handler of its own.
class CountingForm : public platform::Form {
public:
    static inline int loads = 0;
    static inline int unloads = 0;
    void unloadFromHandler() { Forms::Unload(*this); }

protected:
    void Form_Load() override { ++loads; }
    void Form_Unload() override { ++unloads; }
};

}  // namespace

class PlatformTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void delayValues_data();
    void delayValues();
    void delayInTheUsersLocale();
    void textLines_data();
    void textLines();
    void veryLongLineKeepsItsBeginning();
    void listingOrder();
    void namesReadingAlike();
    void geometryReadsBackExactly();
    void labelSizesItselfToItsText();
    void buttonCaptionShrinksToFit();
    void timerOfZeroNeverFires();
    void windowsLoadOnceAndAfreshAfterUnload();
};

void PlatformTest::delayValues_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("milliseconds");
    QTest::newRow("whole") << "5" << 5000;
    QTest::newRow("fraction") << "2.5" << 2500;
    QTest::newRow("leading blank") << " 4" << 4000;
    QTest::newRow("trailing blank") << "4 " << 4000;
    QTest::newRow("tab") << "\t4" << 4000;
    QTest::newRow("plus") << "+3" << 3000;
    QTest::newRow("no leading digit") << ".5" << 500;
    QTest::newRow("no trailing digit") << "2." << 2000;
    QTest::newRow("half to even down") << "0.0025" << 2;
    QTest::newRow("half to even up") << "0.0035" << 4;
    QTest::newRow("millisecond") << "0.001" << 1;
    QTest::newRow("rounds to zero") << "0.0004" << 3000;
    QTest::newRow("zero") << "0" << 3000;
    QTest::newRow("negative") << "-1" << 3000;
    QTest::newRow("largest") << "65.535" << 65535;
    QTest::newRow("above largest") << "65.536" << 65535;
    QTest::newRow("huge") << QString(400, QLatin1Char('9')) << 65535;
    QTest::newRow("empty") << "" << 3000;
    QTest::newRow("blank") << "  " << 3000;
    QTest::newRow("word") << "abc" << 3000;
    QTest::newRow("trailing word") << "5s" << 3000;
    QTest::newRow("two points") << "1.2.3" << 3000;
    QTest::newRow("exponent") << "1e3" << 3000;
    QTest::newRow("inner blank") << "1 5" << 3000;
    QTest::newRow("sign alone") << "-" << 3000;
}

void PlatformTest::delayValues() {
    QFETCH(QString, value);
    QFETCH(int, milliseconds);
    QCOMPARE(show::delayMilliseconds(value), milliseconds);
}

void PlatformTest::delayInTheUsersLocale() {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const int comma = show::delayMilliseconds(QStringLiteral("2,5"));
    const int point = show::delayMilliseconds(QStringLiteral("1.5"));
    QLocale::setDefault(saved);
    QCOMPARE(comma, 2500);
    QCOMPARE(point, 1500);
    QCOMPARE(show::delayMilliseconds(QStringLiteral("2,5")), 3000);
}

void PlatformTest::textLines_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << QByteArray() << QStringList();
    QTest::newRow("one line") << QByteArray("abc\n") << QStringList{"abc"};
    QTest::newRow("no final end") << QByteArray("a\nb") << QStringList{"a", "b"};
    QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("lone cr stays") << QByteArray("a\rb\n") << QStringList{"a\rb"};
    QTest::newRow("empty lines") << QByteArray("\n\nx\n") << QStringList{"", "", "x"};
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBFx\n") << QStringList{"x"};
    QTest::newRow("utf-8") << QByteArray("\xC3\xA9\n")
                           << QStringList{QString::fromUtf8("\xC3\xA9")};
    QTest::newRow("windows-1252") << QByteArray("\xE9\x80\x9C\x81\n")
                                  << QStringList{
                                         QString::fromUtf8("\xC3\xA9\xE2\x82\xAC\xC5\x93\xC2\x81")};
    // Notepad's "Unicode", little- and big-endian.
    QTest::newRow("utf-16 le") << QByteArray(
                                      "\xFF\xFE"
                                      "a\0\r\0\n\0\xE9\0\xAC\x20\n\0",
                                      14)
                               << QStringList{"a", QStringLiteral("\u00E9\u20AC")};
    QTest::newRow("utf-16 be") << QByteArray(
                                      "\xFE\xFF"
                                      "\0a\0\r\0\n\0\xE9\x20\xAC",
                                      12)
                               << QStringList{"a", QStringLiteral("\u00E9\u20AC")};
    // One byte that is not UTF-8 makes the whole file single-byte text.
    QTest::newRow("mixed") << QByteArray("\xC3\xA9\n\xE9\n")
                           << QStringList{QString::fromUtf8("\xC3\x83\xC2\xA9"),
                                          QString::fromUtf8("\xC3\xA9")};
}

void PlatformTest::textLines() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QCOMPARE(readAll(bytes), lines);
}

void PlatformTest::veryLongLineKeepsItsBeginning() {
    const QByteArray longLine(3 * TextStream::kMaxLineBytes, 'x');
    const QStringList lines = readAll(longLine + "\nnext\n");
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0).size(), TextStream::kMaxLineBytes);
    QCOMPARE(lines.at(1), QStringLiteral("next"));
}

void PlatformTest::listingOrder() {
    QStringList names{"b", "B", "a", "_z", "A", "c10", "C2"};
    std::sort(names.begin(), names.end(), platform::listingLess);
    QCOMPARE(names, (QStringList{"_z", "A", "a", "B", "b", "c10", "C2"}));
}

void PlatformTest::namesReadingAlike() {
#ifndef Q_OS_UNIX
    QSKIP("names are text on this system");
#else
    // "café" in UTF-8 and in Windows-1252 side by side: the UTF-8 one is listed and opened.
    QTemporaryDir dir;
    const auto cleanUp =
        qScopeGuard([&] { std::filesystem::remove_all(dir.path().toStdString()); });
    const std::pair<QByteArray, QByteArray> files[] = {
        {"caf\xC3\xA9.txt", "UTF-8"}, {"caf\xE9.txt", "Windows-1252"}, {"\xE9t\xE9.txt", "alone"}};
    for (const auto& [name, text] : files) {
        const int fd = ::open((QFile::encodeName(dir.path()) + '/' + name).constData(),
                              O_WRONLY | O_CREAT | O_EXCL, 0644);
        QVERIFY(fd >= 0 && ::write(fd, text.constData(), size_t(text.size())) == text.size());
        QVERIFY(::close(fd) == 0);
    }
    QCOMPARE(platform::matchingFileNames(dir.path(), QStringLiteral("*.TXT")),
             (QStringList{QStringLiteral("caf\u00E9.txt"), QStringLiteral("\u00E9t\u00E9.txt")}));
    TextStream text =
        platform::FileSystemObject().OpenTextFile(dir.filePath(QStringLiteral("caf\u00E9.txt")));
    QCOMPARE(text.ReadLine(), QStringLiteral("UTF-8"));
#endif
}

void PlatformTest::geometryReadsBackExactly() {
    QWidget parent;
    platform::Label label(&parent);
    label.Move(1234.567f, 7.5f, 2025.25f, 240.0f);
    QCOMPARE(label.Left(), 1234.567f);
    QCOMPARE(label.Top(), 7.5f);
    QCOMPARE(label.Width(), 2025.25f);
    // The widget sits at the nearest pixels of both edges.
    QCOMPARE(label.widget()->geometry(), QRect(82, 1, 217 - 82, 17 - 1));
    QCOMPARE(platform::toPixels(22.4f), 1);
    QCOMPARE(platform::toPixels(22.6f), 2);
}

void PlatformTest::labelSizesItselfToItsText() {
    QWidget parent;
    platform::Label label(&parent);
    label.setAutoSize(true);
    label.setCaption(QStringLiteral("  short  "));
    const float shortWidth = label.Width();
    label.setCaption(QStringLiteral("  a much longer caption line  "));
    QVERIFY(label.Width() > shortWidth);
    QCOMPARE(label.widget()->width(), platform::toPixels(label.Width()));
    // Markup is shown as it is written.
    label.setCaption(QStringLiteral("<b>x</b>"));
    QCOMPARE(static_cast<QLabel*>(label.widget())->textFormat(), Qt::PlainText);
    // A caption longer than any screen is cut for display only.
    label.setCaption(QString(100000, QLatin1Char('x')));
    QCOMPARE(label.Caption().size(), 100000);
    QCOMPARE(label.shownText().size(), platform::Label::kMaxShownChars);
}

void PlatformTest::buttonCaptionShrinksToFit() {
    QWidget parent;
    platform::CommandButton wide(&parent, QStringLiteral("Deselect All"), [] {});
    platform::CommandButton narrow(&parent, QStringLiteral("Deselect All"), [] {});
    wide.Move(0, 0, 3000, 375);
    narrow.Move(0, 0, 600, 375);
    parent.show();
    const QFont designed = parent.font();
    const auto textWidth = [](const platform::CommandButton& button) {
        return QFontMetrics(button.button()->font()).horizontalAdvance(button.Caption());
    };
    QCOMPARE(wide.button()->font().pointSizeF(), designed.pointSizeF());
    QVERIFY(narrow.button()->font().pointSizeF() < designed.pointSizeF());
    QVERIFY(narrow.button()->font().pointSizeF() >= 6.0);
    QVERIFY(textWidth(narrow) < textWidth(wide));
    QVERIFY(textWidth(narrow) <= narrow.button()->width() ||
            narrow.button()->font().pointSizeF() == 6.0);
    // Made wider again, the caption gets its designed size back.
    narrow.setWidth(3000);
    QCOMPARE(narrow.button()->font().pointSizeF(), designed.pointSizeF());
}

void PlatformTest::timerOfZeroNeverFires() {
    QObject owner;
    int ticks = 0;
    platform::Timer timer(&owner, 0, true, [&ticks] { ++ticks; });
    QVERIFY(!timer.isTicking());
    testsupport::runEventLoop(50);
    QCOMPARE(ticks, 0);
    timer.setInterval(100000);
    QCOMPARE(timer.Interval(), platform::Timer::kMaxInterval);
    timer.setInterval(5);
    QTRY_VERIFY(ticks > 0);
    timer.setEnabled(false);
    const int stopped = ticks;
    testsupport::runEventLoop(50);
    QCOMPARE(ticks, stopped);
}

void PlatformTest::windowsLoadOnceAndAfreshAfterUnload() {
    CountingForm::loads = 0;
    CountingForm::unloads = 0;
    CountingForm& first = Forms::get<CountingForm>();
    QCOMPARE(&Forms::get<CountingForm>(), &first);
    QCOMPARE(CountingForm::loads, 1);

    QPointer<CountingForm> guard(&first);
    first.unloadFromHandler();  // as from its own click handler: destroyed later
    QCOMPARE(CountingForm::unloads, 1);
    QCOMPARE(Forms::find<CountingForm>(), nullptr);
    QVERIFY(guard);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!guard);

    Forms::get<CountingForm>();
    QCOMPARE(CountingForm::loads, 2);
    Forms::discardAll();
    QCOMPARE(CountingForm::unloads, 1);  // discarding runs no handler
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

LUMOSA_TEST(PlatformTest)
#include "platform_test.moc"

// The forms layer: text files, listings, twips, the timer; delay values.
#include <QLabel>
#include <QLocale>
#include <QtTest>

#include <filesystem>
#include <fstream>

#include "platform/FileSystem.h"
#include "platform/FolderListing.h"
#include "platform/Label.h"
#include "platform/Timer.h"
#include "platform/Twips.h"
#include "show/Delay.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;
using platform::TextStream;

class PlatformTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void delayValues_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("milliseconds");
        QTest::addColumn<bool>("german");  // the user's locale, where the separator is a comma
        const auto row = [](const char* tag, const QString& value, int ms, bool german = false) {
            QTest::newRow(tag) << value << ms << german;
        };
        row("whole", "5", 5000);
        row("fraction", "2.5", 2500);
        row("blanks and tab", " \t4 ", 4000);
        row("plus", "+4", 4000);
        row("no leading digit", ".5", 500);
        row("half to even down", "0.0025", 2);
        row("half to even up", "0.0035", 4);
        row("rounds to zero", "0.0004", 3000);
        row("negative", "-1", 3000);
        row("largest", "65.535", 65535);
        row("above largest", "65.536", 65535);
        row("huge", QString(400, QLatin1Char('9')), 65535);
        row("empty", "", 3000);
        row("word", "abc", 3000);
        row("trailing word", "5s", 3000);
        row("two points", "1.2.3", 3000);
        row("inner blank", "1 5", 3000);
        row("comma, German", "2,5", 2500, true);
        row("point, German", "1.5", 1500, true);
        row("comma elsewhere", "2,5", 3000);
    }

    void delayValues() {
        QFETCH(QString, value);
        QFETCH(bool, german);
        const QLocale saved;
        QLocale::setDefault(german ? QLocale(QLocale::German, QLocale::Germany) : QLocale::c());
        const int milliseconds = show::delayMilliseconds(value);
        QLocale::setDefault(saved);
        QTEST(milliseconds, "milliseconds");
    }

    void textLines_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << QByteArray() << QStringList();
        QTest::newRow("no final end") << QByteArray("a\nb") << QStringList{"a", "b"};
        QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
        QTest::newRow("lone cr stays") << QByteArray("a\rb\n") << QStringList{"a\rb"};
        QTest::newRow("empty lines") << QByteArray("\n\nx\n") << QStringList{"", "", "x"};
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBFx\n") << QStringList{"x"};
        QTest::newRow("utf-8") << QByteArray("\xC3\xA9\n") << QStringList{u"\u00E9"_s};
        QTest::newRow("windows-1252")
            << QByteArray("\xE9\x80\x9C\x81\n") << QStringList{u"\u00E9\u20AC\u0153\u0081"_s};
        // Notepad's "Unicode", little- and big-endian.
        QTest::newRow("utf-16 le") << QByteArray::fromHex("fffe 6100 0d00 0a00 e900 ac20 0a00")
                                   << QStringList{"a", u"\u00E9\u20AC"_s};
        QTest::newRow("utf-16 be")
            << QByteArray::fromHex("feff 0061 000a 00e9") << QStringList{"a", u"\u00E9"_s};
        // One byte that is not UTF-8 makes the whole file single-byte text.
        QTest::newRow("mixed") << QByteArray("\xC3\xA9\n\xE9\n")
                               << QStringList{u"\u00C3\u00A9"_s, u"\u00E9"_s};
        // A line of 3 MB keeps its first megabyte, and the next line follows.
        QTest::newRow("very long line") << QByteArray(3 << 20, 'x') + "\nnext\n"
                                        << QStringList{QString(1 << 20, u'x'), "next"};
    }

    void textLines() {
        QFETCH(QByteArray, bytes);
        TextStream stream(bytes);
        QStringList lines;
        while (!stream.AtEndOfStream()) {
            lines.append(stream.ReadLine());
        }
        QTEST(lines, "lines");
    }

    void listingOrder() {
        QStringList names{"b", "B", "a", "_z", "A", "c10", "C2"};
        std::sort(names.begin(), names.end(), platform::listingLess);
        QCOMPARE(names, (QStringList{"_z", "A", "a", "B", "b", "c10", "C2"}));
    }

    // "café" in UTF-8 and in Windows-1252 side by side: the UTF-8 one is listed and opened.
    void namesReadingAlike() {
        QTemporaryDir dir;
        const std::filesystem::path folder(QFile::encodeName(dir.path()).toStdString());
        const auto cleanUp = qScopeGuard([&] { std::filesystem::remove_all(folder); });
        for (const auto& [name, text] : {std::pair{"caf\xC3\xA9.txt", "UTF-8"},
                                         {"caf\xE9.txt", "Windows-1252"},
                                         {"\xE9t\xE9.txt", "alone"}}) {
            QVERIFY(std::ofstream(folder / name) << text);
        }
        QCOMPARE(platform::matchingFileNames(dir.path(), u"*.TXT"_s),
                 (QStringList{u"caf\u00E9.txt"_s, u"\u00E9t\u00E9.txt"_s}));
        TextStream text =
            platform::FileSystemObject().OpenTextFile(dir.filePath(u"caf\u00E9.txt"_s));
        QCOMPARE(text.ReadLine(), u"UTF-8"_s);
    }

    void label() {
        QWidget parent;
        platform::Label label(&parent);
        label.Move(1234.567f, 7.5f, 2025.25f, 240.0f);
        QCOMPARE(label.Left(), 1234.567f);
        QCOMPARE(label.Top(), 7.5f);
        QCOMPARE(label.Width(), 2025.25f);
        QCOMPARE(label.widget()->geometry(), QRect(82, 1, 217 - 82, 17 - 1));
        label.setCaption(QStringLiteral("<b>x</b>"));
        QCOMPARE(static_cast<QLabel*>(label.widget())->textFormat(), Qt::PlainText);
        label.setCaption(QString(100000, QLatin1Char('x')));
        QCOMPARE(label.Caption().size(), 100000);
        QCOMPARE(label.shownText().size(), 1000);
    }

    // Zero stops the timer (it never fires continuously); too long an interval is clamped.
    void timerOfZeroNeverFires() {
        QObject owner;
        int ticks = 0;
        platform::Timer timer(&owner, 0, true, [&ticks] { ++ticks; });
        QTest::qWait(50);
        QCOMPARE(ticks, 0);
        timer.setInterval(100000);
        QCOMPARE(timer.Interval(), 65535);
    }
};

LUMOSA_TEST(PlatformTest)
#include "platform_test.moc"

#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QStringList>
#include <QTemporaryDir>

class MainForm;
class frmThumbnails;

namespace platform {
class Picture;
}
namespace show {
class Slideshow;
}

namespace testsupport {

bool registerTest(const char* name, QObject* (*make)());

// A temporary disc folder holding the program file, as the program expects beside it. Entries:
// "path=text" a file, "path:colour[:WxH]" a picture (64 x 48 unless told), "path/" a folder,
// "-lumosa" no program file.
class Disc {
public:
    explicit Disc(const QStringList& entries = {});
    QString path() const { return dir_.path(); }
    QString abs(const QString& relative) const;
    QString folder(const QString& relative) const;
    // A picture in one colour, its format by the extension, so that tests tell them apart.
    QString picture(const QString& relative, QSize size = QSize(64, 48),
                    QColor color = Qt::red) const;
    QString file(const QString& relative, const QByteArray& bytes) const;

private:
    QTemporaryDir dir_;
};

// The program started in a disc folder, its end recorded and every message box noted, then OK'd.
class Session : public QObject {
    Q_OBJECT

public:
    explicit Session(const Disc& disc);
    ~Session() override;

    // nullptr when the program ended during start-up; its folder listed, the timer stopped
    // unless `running`.
    MainForm* start(bool running = true);

    QStringList messages;  // text of every message box, in order
    bool ended = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString previousDir_;
};

// A disc of those entries and the show started on it, its timer stopped unless `running`.
struct Show {
    Disc disc;
    Session session{disc};
    MainForm* form = nullptr;

    explicit Show(const QStringList& entries, bool running = false);
};

// The thumbnail sheet opened by the control panel's button, as a person does; nullptr if none.
frmThumbnails* openSheet();

// Until the show no longer waits for its disc: the pictures and folders it moved to, and the
// descriptions of its folder, have come, or the show is gone.
void settle(MainForm* form);
void settle(const QPointer<show::Slideshow>& show);

#if defined(__has_feature)  // clang, which the sanitizer build uses
inline constexpr bool kSanitized = __has_feature(address_sanitizer);
#else
inline constexpr bool kSanitized = false;
#endif

// AddressSanitizer's quarantine and shadow memory swamp the program's own memory figures.
inline constexpr bool kMemoryFiguresMeaningful = !kSanitized;

// Generous for a loaded machine: only a failing test waits it out. Under the sanitizers work
// costs several times as much (reading 16 MB of descriptions takes 5 s on a 2-core machine, and
// over 20 s while two other test runs share it).
inline constexpr int kWaitMs = kSanitized ? 60000 : 20000;

// "Folder/name" of a path, free of the temporary disc's location.
QString lastParts(const QString& path);

// Invalid for a picture that holds no pixels.
QColor middleColour(const platform::Picture& picture);

QImage filled(QSize size, const QColor& colour);  // Format_RGB32

// `image` saved as "jpeg", "bmp" or "gif"; empty on failure.
QByteArray encode(const QImage& image, const char* format, int quality = 90);

// The hostile corpus of tests/hostile/: damaged, lying and absurd picture files, and why
// LoadPicture refuses each at a bound of 1920 x 1080 (empty: it loads), from its reasons.txt.
struct HostileFile {
    QString name;
    QByteArray bytes;
    QString why;
};
QList<HostileFile> hostileFiles();
QByteArray hostileFile(const QString& name);

// Whether two valid colours agree within what lossy compression changes.
bool nearColour(const QColor& actual, const QColor& expected);

// A figure of /proc/self/status in kB ("VmHWM", "VmRSS"); -1 where there is none.
qint64 processStatusKb(const char* field);

}  // namespace testsupport

// Registers a Qt Test class with its program, in place of QTEST_MAIN: a program runs several.
#define LUMOSA_TEST(Class)                                       \
    [[maybe_unused]] static const bool lumosaRegistered##Class = \
        testsupport::registerTest(#Class, []() -> QObject* { return new Class; });

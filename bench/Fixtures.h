#pragma once

#include <QProcess>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace bench {

// Runs `program` in `folder` (by default, here) to its end, its output dropped; ends this
// program when it fails.
void run(const QString& program, const QStringList& arguments, const QString& folder = {});

// Makes `disc` with a program file in it, which the show's start-up looks for, unless it has
// one; its folders are the caller's.
void programFile(const QString& disc);

// tools/medium.py serving `source` read-only at a mount point of its own while it lives, with
// the given options (speed, hangs, failures); it logs every read, so that the bytes taken from
// the medium can be counted. Ends the program when the medium does not start.
class Medium {
public:
    Medium(const QString& source, const QStringList& options);
    ~Medium();
    QString mountPoint() const { return mount_.path(); }
    // Bytes read from the medium so far.
    qint64 bytesRead() const;

private:
    QTemporaryDir mount_;
    QTemporaryDir log_;
    QProcess process_;
};

// A virtual X server of `size` writing its screen to a file, for a show started as a person
// starts it.
class VirtualScreen {
public:
    explicit VirtualScreen(QSize size);
    ~VirtualScreen();
    QString display() const { return display_; }
    // Whether most of the screen shows a picture rather than the black of a show starting.
    bool showsPicture() const;

private:
    QSize size_;
    QTemporaryDir dir_;
    QProcess server_;
    QString display_;
};

}  // namespace bench

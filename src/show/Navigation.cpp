// Moving between pictures and folders, the show timer and its speed.
#include "show/MainForm.h"

void MainForm::JumpTo(const QVariant& Where) {
    const QString word = Where.typeId() == QMetaType::QString ? Where.toString() : QString();
    const int count = flbImageList.ListCount();
    if (word == QLatin1String("Next")) {
        int i = flbImageList.ListIndex() + 1;
        if (i >= count) {
            i = 0;
            // With one folder it is not opened again; with none there is nowhere to go.
            if (lbDirs.ListCount() > 1) {
                const int d = nextFolderIndex();
                lbDirs.setListIndex(d);
                display_directory(lbDirs.List(d));
            }
        }
        // Ignored when the folder holds no picture (it may have vanished).
        flbImageList.setListIndex(i);
    } else if (word == QLatin1String("Prev")) {
        int i = flbImageList.ListIndex() - 1;
        if (i < 0) {
            i = count - 1;
        }
        flbImageList.setListIndex(i);
    } else if (word == QLatin1String("First")) {
        flbImageList.setListIndex(0);
    } else if (word == QLatin1String("Last")) {
        flbImageList.setListIndex(count - 1);
    } else {
        // A picture index; any other word is treated like an index out of range.
        bool isNumber = false;
        const int n = Where.toInt(&isNumber);
        if (isNumber && n >= 0 && n <= count - 1) {
            flbImageList.setListIndex(n);
        }
    }
    ShowCurrentImage();
}

int MainForm::nextFolderIndex() const {
    const int d = lbDirs.ListIndex();
    return d >= lbDirs.ListCount() - 1 ? 0 : d + 1;
}

QString MainForm::nextImagePath() {
    const int i = flbImageList.ListIndex() + 1;
    if (i < flbImageList.ListCount()) {
        return flbImageList.Path() + QLatin1Char('/') + flbImageList.List(i);
    }
    const platform::FileListBox* list = &flbImageList;
    // The next folder is listed as JumpTo will list it, in a list of its own: the show's
    // lists stay as they are. A folder gone meanwhile leaves JumpTo in the current one.
    platform::FileListBox nextFolder(flbImageList.Pattern());
    if (lbDirs.ListCount() > 1) {
        const QString folder = lbDirs.List(nextFolderIndex());
        if (FileSystem.FolderExists(folder)) {
            nextFolder.setPath(FileSystem.GetAbsolutePathName(folder));
            list = &nextFolder;
        }
    }
    return list->ListCount() > 0 ? list->Path() + QLatin1Char('/') + list->List(0) : QString();
}

QString MainForm::previousImagePath() const {
    const int count = flbImageList.ListCount();
    const int i = flbImageList.ListIndex() - 1;
    return count > 0
               ? flbImageList.Path() + QLatin1Char('/') + flbImageList.List(i < 0 ? count - 1 : i)
               : QString();
}

void MainForm::Timer1_Timer() {
    JumpTo(QStringLiteral("Next"));
    if (DelayPending) {
        Timer1.setInterval(ShowDelay);
        DelayPending = false;
    }
}

void MainForm::showSpeed(const QString& ChangeSpeed) {
    const int interval = Timer1.Interval();
    if (ChangeSpeed == QLatin1String("Faster")) {
        // Half the interval, rounded to the nearest millisecond, halves to even.
        int half = interval / 2;
        if (interval % 2 == 1 && half % 2 == 1) {
            ++half;
        }
        Timer1.setInterval(half);
    } else {
        // The timer holds no more than its largest interval.
        Timer1.setInterval(std::min(interval * 2, platform::Timer::kMaxInterval));
    }
}

void MainForm::ShowStartStop() {
    Timer1.setEnabled(!Timer1.Enabled());
}

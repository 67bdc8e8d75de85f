#include "platform/FolderListing.h"

#include <QDir>

#include <algorithm>

namespace platform {

bool listingLess(const QString& a, const QString& b) {
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : QString::compare(a, b, Qt::CaseSensitive) < 0;
}

QStringList subfolderPaths(const QString& folder) {
    const QDir dir(folder);
    QStringList names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort);
    std::sort(names.begin(), names.end(), listingLess);
    QStringList paths;
    paths.reserve(names.size());
    for (const QString& name : names) {
        paths.append(dir.absoluteFilePath(name));
    }
    return paths;
}

QStringList matchingFileNames(const QString& folder, const QString& patterns) {
    QDir dir(folder);
    dir.setNameFilters(patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts));
    // Without QDir::CaseSensitive the patterns match without regard to letter case.
    QStringList names = dir.entryList(QDir::Files, QDir::NoSort);
    std::sort(names.begin(), names.end(), listingLess);
    return names;
}

}  // namespace platform

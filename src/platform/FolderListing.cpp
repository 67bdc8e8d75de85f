#include "platform/FolderListing.h"

#include <QRegularExpression>

#include <algorithm>

#include "platform/NativeNames.h"

namespace platform {

bool listingLess(const QString& a, const QString& b) {
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : QString::compare(a, b, Qt::CaseSensitive) < 0;
}

namespace {

bool isHidden(const QString& name) {
    return name.startsWith(u'.');
}

}  // namespace

QStringList subfolderPaths(const QString& folder) {
    const QString base = absolutePath(folder);
    QStringList names;
    for (const FolderEntry& entry : folderEntries(base)) {
        if (entry.isFolder && !isHidden(entry.name)) {
            names.append(entry.name);
        }
    }
    std::sort(names.begin(), names.end(), listingLess);
    const QString prefix = base.endsWith(u'/') ? base : base + u'/';
    QStringList paths;
    paths.reserve(names.size());
    for (const QString& name : names) {
        paths.append(prefix + name);
    }
    return paths;
}

QStringList matchingFileNames(const QString& folder, const QString& patterns) {
    QList<QRegularExpression> filters;
    for (const QString& pattern : patterns.split(u';', Qt::SkipEmptyParts)) {
        filters.append(QRegularExpression::fromWildcard(pattern, Qt::CaseInsensitive));
    }
    QStringList names;
    for (const FolderEntry& entry : folderEntries(folder)) {
        if (entry.isFile && !isHidden(entry.name) &&
            std::any_of(filters.cbegin(), filters.cend(), [&entry](const auto& filter) {
                return filter.match(entry.name).hasMatch();
            })) {
            names.append(entry.name);
        }
    }
    std::sort(names.begin(), names.end(), listingLess);
    return names;
}

}  // namespace platform

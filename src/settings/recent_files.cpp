#include "settings/recent_files.h"

#include <QAction>

#include "settings/settings_values.h"
#include "window/command_handler.h"

namespace qm {

namespace {
constexpr int kLongestShown = 34;
constexpr int kKeptEachEnd = 15;
} // namespace

QString RecentFiles::shortened(const QString& path) {
    if (path.size() <= kLongestShown)
        return path;
    return path.left(kKeptEachEnd) + QStringLiteral(" ... ") + path.right(kKeptEachEnd);
}

QString& RecentFiles::at(int place) {
    return m_settings.RecentFiles[static_cast<std::size_t>(place - 1)];
}

QString RecentFiles::path(int place) const {
    return place >= 1 && place <= kRecentFilesMax
               ? m_settings.RecentFiles[static_cast<std::size_t>(place - 1)]
               : QString();
}

void RecentFiles::MRU_Show(int place) {
    QAction* entry = m_menu.entry(MenuArray::FileMRU, place);
    const QString s = path(place);
    if (s.isEmpty()) {
        entry->setVisible(false);
        return;
    }
    // An ampersand in a path is part of the name, not an access key.
    QString caption = shortened(s);
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
    entry->setText(caption);
    entry->setVisible(true);
    m_menu.fileBar1()->setVisible(true);
}

QStringList RecentFiles::showAll() {
    QStringList dropped;
    for (int i = 1; i <= m_settings.RecentCount; ++i) {
        // The file system would take such a path only up to the NUL: another file.
        while (path(i).contains(QChar(u'\0'))) {
            dropped << path(i);
            remove(i);
        }
        MRU_Show(i);
    }
    return dropped;
}

void RecentFiles::MRU_Add(const QString& file) {
    if (file.isEmpty())
        return;
    for (int i = 1; i <= m_settings.RecentCount; ++i) {
        // The file system tells A.qmd from a.qmd, and so does the list.
        if (at(i) != file)
            continue;
        if (i > 1) {
            at(i) = at(1);
            at(1) = file;
            MRU_Show(i);
            MRU_Show(1);
        }
        return;
    }
    m_settings.RecentCount = std::min(m_settings.RecentCount + 1, m_settings.RecentMax);
    for (int j = m_settings.RecentMax; j >= 2; --j) {
        at(j) = at(j - 1);
        if (j <= m_settings.RecentCount)
            MRU_Show(j);
    }
    at(1) = file;
    MRU_Show(1);
}

void RecentFiles::replace(int place, const QString& path) {
    at(place) = path;
    MRU_Show(place);
}

void RecentFiles::remove(int place) {
    int j = place;
    for (; j <= m_settings.RecentCount - 1; ++j) {
        at(j) = at(j + 1);
        MRU_Show(j);
    }
    at(j) = QString();
    MRU_Show(j);
}

} // namespace qm

#pragma once
// Up to 8 bookmarks per tree, most recent first: each remembers an item by its path of names,
// stands in the Go To menu and opens that path in the cells. They are kept in the settings
// file, one section per tree.

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

namespace qm {

class MainWindow;

/// Where the bookmark sections are read and written; the program hands it the settings file.
class BookmarkStore {
public:
    virtual ~BookmarkStore() = default;
    /// The number stored under the key, rounded; `defaultValue` when there is none.
    virtual int readNumber(const QString& section, const QString& key, int defaultValue) = 0;
    virtual QString readText(const QString& section, const QString& key) = 0;
    /// False when the value could not be stored.
    virtual bool writeNumber(const QString& section, const QString& key, int value) = 0;
    virtual bool writeText(const QString& section, const QString& key, const QString& value) = 0;
};

class Bookmarks : public QObject {
    Q_OBJECT
public:
    static constexpr int kMax = 8;

    Bookmarks(MainWindow& window, BookmarkStore& store);

    void bookmarkThis();
    void editBookmarks();
    /// Opens bookmark `k` (1..BookCount) and moves it to the top.
    void openBookmark(int k);

    /// Enters a path at the top of the list; an empty path is ignored.
    void Book_Add(const QString& path);
    /// Puts bookmark i's path on its menu entry.
    void Book_MenuItem(int i);
    void Book_MenuBuild();
    /// Reads the bookmarks of the tree now loaded; the caller then runs Book_MenuBuild.
    void Book_Load();
    /// Writes the list under the section of the tree it belongs to (nothing without a tree).
    /// False when the store refused a value.
    bool Book_Save();
    /// True when the list changed since it was read or written.
    bool changed() const { return m_changed; }

    int BookCount() const { return static_cast<int>(m_names.size()); }
    /// Bookmark i, 1..BookCount.
    QString BookNames(int i) const { return m_names.value(i - 1); }
    /// The section the list belongs to: "Book" and the top item's stored name; empty when no
    /// tree was loaded.
    const QString& section() const { return m_section; }

    /// The Go To menu text of a path: at most 50 characters, lower case.
    static QString menuText(const QString& path);

private:
    MainWindow& m_window;
    BookmarkStore& m_store;
    QStringList m_names; // most recent first
    QString m_section;
    bool m_changed = false;
};

} // namespace qm

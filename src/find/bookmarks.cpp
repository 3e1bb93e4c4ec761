#include "find/bookmarks.h"

#include <QAction>
#include <algorithm>

#include "find/book_editor.h"
#include "find/path_reveal.h"
#include "store/item_path.h"
#include "window/main_window.h"
#include "window/names.h"
#include "window/prompter.h"

namespace qm {

namespace {

constexpr qsizetype kMenuTextMax = 50;
const QString kCount = QStringLiteral("Count");
const QString kCrLf = QStringLiteral("\r\n");

QString nameKey(int i) {
    return QStringLiteral("Name%1").arg(i);
}

} // namespace

Bookmarks::Bookmarks(MainWindow& window, BookmarkStore& store)
    : QObject(&window), m_window(window), m_store(store) {}

QString Bookmarks::menuText(const QString& path) {
    const QString shown = path.size() > kMenuTextMax
                              ? path.left(15) + QStringLiteral(" ... ") + path.right(30)
                              : path;
    return shown.toLower();
}

void Bookmarks::bookmarkThis() {
    const std::int32_t item = m_window.browser().target().entry;
    if (!item) {
        m_window.prompter().alert(QStringLiteral("No Selection!"));
        return;
    }
    Book_Add(bytesText(bookmarkPath(m_window.nodes(), item)));
}

void Bookmarks::Book_Add(const QString& path) {
    if (path.isEmpty())
        return;
    const qsizetype at = m_names.indexOf(path);
    if (at == 0)
        return;
    m_changed = true;
    if (at > 0) {
        m_names.move(at, 0);
        for (int i = 1; i <= at + 1; ++i)
            Book_MenuItem(i);
        return;
    }
    m_names.prepend(path);
    if (m_names.size() > kMax)
        m_names.removeLast();
    for (int i = 1; i <= BookCount(); ++i)
        Book_MenuItem(i);
    m_window.menu().setBookmarkCount(BookCount());
}

void Bookmarks::Book_MenuItem(int i) {
    // The menu shows places 1..BookCount.
    QAction* entry = m_window.menu().entry(MenuArray::Book, BookFirst + i - 1);
    if (!entry)
        return;
    // An "&" in a name is shown as itself, not as an access key.
    entry->setText(menuText(BookNames(i)).replace(QLatin1Char('&'), QStringLiteral("&&")));
}

void Bookmarks::Book_MenuBuild() {
    for (int i = 1; i <= kMax; ++i)
        Book_MenuItem(i);
    m_window.menu().setBookmarkCount(BookCount());
}

void Bookmarks::openBookmark(int k) {
    if (k < 1 || k > BookCount())
        return;
    const QString path = BookNames(k);
    const NodeTable& t = m_window.nodes();
    // A path with characters no name can hold leads nowhere below the top item.
    const std::optional<std::string> bytes = nameBytes(path);
    const PathMatch match =
        bytes ? resolveBookmarkPath(t, *bytes) : PathMatch{t.hasTree() ? 1 : 0, false};
    if (match.complete) {
        Bookmark_Reveal(m_window, match.item);
    } else if (match.item >= 1) {
        // Never an unrelated item: the path is shown as far as it still leads.
        Path_Reveal(m_window, match.item);
        m_window.prompter().alert(QStringLiteral("The bookmark ") + messageText(path) + kCrLf +
                                  QStringLiteral("no longer leads to an item: the cells show "
                                                 "how far it goes."));
    }
    Book_Add(path);
}

void Bookmarks::editBookmarks() {
    BookEditor editor(m_names, m_window.scale(), &m_window);
    if (editor.exec() == QDialog::Accepted && editor.names() != m_names) {
        m_names = editor.names();
        m_changed = true;
    }
    Book_MenuBuild();
}

void Bookmarks::Book_Load() {
    m_names.clear();
    m_changed = false;
    const NodeTable& t = m_window.nodes();
    m_section = t.hasTree() ? QStringLiteral("Book") + nameText(t[1].Name) : QString();
    if (m_section.isEmpty())
        return;
    // A count written by hand may be anything.
    const int count = std::clamp(m_store.readNumber(m_section, kCount, 0), 0, kMax);
    for (int i = 1; i <= count; ++i) {
        const QString path = m_store.readText(m_section, nameKey(i));
        if (!path.isEmpty())
            m_names << path;
    }
}

bool Bookmarks::Book_Save() {
    if (m_section.isEmpty())
        return true;
    bool ok = m_store.writeNumber(m_section, kCount, BookCount());
    for (int i = 1; i <= BookCount(); ++i)
        ok = m_store.writeText(m_section, nameKey(i), BookNames(i)) && ok;
    if (ok)
        m_changed = false;
    return ok;
}

} // namespace qm

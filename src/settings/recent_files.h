#pragma once
// The recent-files list at the end of the File menu.

#include <QString>
#include <QStringList>

namespace qm {

class CommandHandler;
struct Settings;

class RecentFiles {
public:
    RecentFiles(Settings& settings, CommandHandler& menu) : m_settings(settings), m_menu(menu) {}

    /// Brings menu entry `place` (1..8) in line with the list.
    void MRU_Show(int place);
    /// Shows every place in use, as read from the settings file; takes out, and returns, the
    /// entries no file can have as its name (a NUL character inside).
    QStringList showAll();
    /// Puts a path at the top of the list.
    void MRU_Add(const QString& path);
    /// Puts another path in place of an entry.
    void replace(int place, const QString& path);
    /// Takes out the entry at `place` whose file has vanished; the count stays.
    void remove(int place);
    QString path(int place) const;

    /// The menu caption of a path: long ones keep their first and last 15 characters.
    static QString shortened(const QString& path);

private:
    QString& at(int place);

    Settings& m_settings;
    CommandHandler& m_menu;
};

} // namespace qm

#include "app/program.h"

#include <QApplication>
#include <QScreen>
#include <algorithm>

#include "about/help_commands.h"
#include "app/splash.h"
#include "app/startup.h"
#include "edit/edit_commands.h"
#include "find/bookmarks.h"
#include "find/find_commands.h"
#include "print/print_commands.h"
#include "settings/file_commands.h"
#include "settings/settings_location.h"
#include "store/safe_file.h"
#include "window/main_window.h"
#include "window/names.h"
#include "window/twips.h"
#include "window/zoom.h"

namespace qm {

namespace {
const QString kDisplay = QStringLiteral("Display");
const QString kMainLeft = QStringLiteral("MainLeft");
const QString kMainTop = QStringLiteral("MainTop");
constexpr double kDefaultPosition = 1000;

// Wayland keeps the places of windows to the compositor: Qt reports every window at 0, 0,
// which is no place the user chose and must not replace the one kept from an X11 session.
bool platformReportsPosition() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

// The bookmark sections live in the settings file, with its number conventions.
class IniBookmarkStore : public BookmarkStore {
public:
    explicit IniBookmarkStore(IniFile& ini) : m_ini(ini) {}
    int readNumber(const QString& section, const QString& key, int defaultValue) override {
        return readIniSetting(m_ini, section, key, defaultValue);
    }
    QString readText(const QString& section, const QString& key) override {
        return m_ini.read(section, key);
    }
    bool writeNumber(const QString& section, const QString& key, int value) override {
        return writeIniNumber(m_ini, section, key, value);
    }
    bool writeText(const QString& section, const QString& key, const QString& value) override {
        return m_ini.write(section, key, value);
    }

private:
    IniFile& m_ini;
};

} // namespace

Program::Program(Prompter& prompter, const QString& settingsPath)
    : m_prompter(prompter), m_ini(settingsPath.isEmpty() ? settingsFilePath() : settingsPath),
      m_bookStore(std::make_unique<IniBookmarkStore>(m_ini)) {}

Program::~Program() = default;

void Program::start(const QStringList& arguments, bool showSplash) {
    std::unique_ptr<Splash> splash;
    if (showSplash) {
        splash = std::make_unique<Splash>();
        splash->show();
        splash->repaint();
    }
    QCoreApplication::processEvents();

    m_window = std::make_unique<MainWindow>(m_prompter);
    emit windowCreated(m_window.get());
    m_edit = new EditCommands(*m_window);
    m_files = new FileCommands(*m_window, m_settings, m_ini);
    m_print = new PrintCommands(*m_window, [this] {
        return ListingSettings{m_settings.MaxColumns, m_settings.FontSize, m_settings.Hierarchy};
    });
    m_find = new FindCommands(
        *m_window, [this]() -> PrintDestination& { return m_print->destination(); },
        [this] { m_edit->Undo_Clear(); });
    m_bookmarks = new Bookmarks(*m_window, *m_bookStore);
    m_help = new HelpCommands(*m_window);
    // The undo record names slots of the tree it was made in.
    connect(m_window.get(), &MainWindow::treeReplaced, m_edit, [this] { m_edit->Undo_Clear(); });
    // Bookmarks belong to the tree they were made in: the old tree's go to its own section
    // before the new tree's are read.
    connect(m_window.get(), &MainWindow::treeAboutToBeReplaced, m_bookmarks,
            [this] { saveReplacedBookmarks(); });
    connect(m_window.get(), &MainWindow::treeReplaced, m_bookmarks, [this] {
        m_bookmarks->Book_Load();
        m_bookmarks->Book_MenuBuild();
        m_find->treeReplaced();
    });
    wireMenus();
    m_window->setCloseHandler([this] { return formUnload(); });
    formLoad();
    QCoreApplication::processEvents();
    const QString file = commandLineFile(arguments);

    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    QCoreApplication::processEvents();
    placeOnScreen(); // again, now that the frame around the window is known
    m_window->repaint();

    // Changes a crash took from a tree never saved come first: they exist nowhere else.
    if (!m_files->recoverUntitled()) {
        QString open = file;
        if (open.isEmpty() && m_settings.OpenLast)
            open = m_settings.RecentFiles[0];
        if (!open.isEmpty() && regularFileExists(toPath(open)))
            m_files->open(open);
    }
    m_window->Status_Reset();
}

void Program::formLoad() {
    GetIniValues(m_ini, m_settings);
    m_files->reportSettingsRefusal();
    m_files->showRecent();
    m_files->autoSave().applyMode();
    const double left = readIniNumber(m_ini, kDisplay, kMainLeft, kDefaultPosition);
    const double top = readIniNumber(m_ini, kDisplay, kMainTop, kDefaultPosition);
    const double perTwip = twips::screenDpi() / 1440.0;
    m_wantedPosition = QPointF(left * perTwip, top * perTwip);
    m_window->setZoom(readZoom(m_ini));
    placeOnScreen();
}

// A position from another screen layout, or typed by hand, must not hide the window.
void Program::placeOnScreen() {
    const QPointF wanted = m_wantedPosition;
    const QScreen* screen = QGuiApplication::screenAt(
        QPoint(int(std::clamp(wanted.x(), -1e9, 1e9)), int(std::clamp(wanted.y(), -1e9, 1e9))));
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // A zoom kept from a larger screen is lowered until the window fits.
    m_window->fitZoom(screen->availableGeometry());
    m_window->move(
        placeWindow(wanted, m_window->frameGeometry().size(), screen->availableGeometry()));
}

bool Program::formUnload() {
    const bool mayClose = m_files->Save_Ask();
    // Saved, or given up: nothing is left to recover.
    if (mayClose)
        m_files->recovery().discard();
    for (QWidget* other : QApplication::topLevelWidgets())
        if (other != m_window.get() && other->isVisible())
            other->close();
    // The user was told at start that a refused file is left alone.
    if (!m_ini.refusal().isEmpty())
        return mayClose;
    // One rewrite of the settings file for the position and all settings.
    IniFile::Batch batch(m_ini);
    if (!m_window->isMinimized() && platformReportsPosition()) {
        writeIniNumber(m_ini, kDisplay, kMainLeft, twips::fromPixels(m_window->x()));
        writeIniNumber(m_ini, kDisplay, kMainTop, twips::fromPixels(m_window->y()));
    }
    writeZoom(m_ini, m_window->zoom());
    SetIniValues(m_ini, m_settings);
    m_bookmarks->Book_Save();
    if (!batch.commit())
        m_files->reportSettingsFailure();
    return mayClose;
}

void Program::saveReplacedBookmarks() {
    // A refused settings file was reported at start and is left alone.
    if (!m_bookmarks->changed() || !m_ini.refusal().isEmpty())
        return;
    IniFile::Batch batch(m_ini);
    m_bookmarks->Book_Save();
    if (!batch.commit())
        m_files->reportSettingsFailure();
}

void Program::wireMenus() {
    CommandHandler& c = m_window->menu();
    c.bind(MenuArray::File, FileNew, m_files, &FileCommands::New);
    c.bind(MenuArray::File, FileOpen, m_files, &FileCommands::Open);
    c.bind(MenuArray::File, FileSave, m_files, &FileCommands::Save);
    c.bind(MenuArray::File, FileSaveAs, m_files, &FileCommands::SaveAs);
    c.bind(MenuArray::File, FileImportOutline, m_files, &FileCommands::ImportOutline);
    c.bind(MenuArray::File, FileExportOutline, m_files, &FileCommands::ExportOutline);
    c.bind(MenuArray::File, FileOptions, m_files, &FileCommands::Options);
    c.bind(MenuArray::File, FileExit, m_files, &FileCommands::Exit);
    c.bind(MenuArray::Print, PrintPageSetup, m_print, &PrintCommands::PageSetup);
    c.bind(MenuArray::Print, PrintPreview, m_print, &PrintCommands::PrintPreview);
    c.bind(MenuArray::Print, PrintNow, m_print, &PrintCommands::Print);
    c.bindList(MenuArray::FileMRU, [this](int place) { m_files->openRecent(place); });
    c.bind(MenuArray::Edit, EditUndo, m_edit, &EditCommands::Undo);
    c.bind(MenuArray::Edit, EditAdd, m_edit, &EditCommands::Item_Add);
    c.bind(MenuArray::Edit, EditDelete, m_edit, &EditCommands::Item_Delete);
    c.bind(MenuArray::Edit, EditRename, m_edit, &EditCommands::Item_Rename);
    c.bind(MenuArray::Edit, EditCut, m_edit, &EditCommands::Item_Cut);
    c.bind(MenuArray::Edit, EditCopy, m_edit, &EditCommands::Item_Copy);
    c.bind(MenuArray::Edit, EditPaste, m_edit, &EditCommands::Item_Paste);
    c.bind(MenuArray::Edit, EditPasteClipboard, m_edit, &EditCommands::Item_PasteClipboard);
    c.bind(MenuArray::Go, GoFind, m_find, &FindCommands::Find_Open);
    c.bind(MenuArray::Book, BookThis, m_bookmarks, &Bookmarks::bookmarkThis);
    c.bind(MenuArray::Book, BookEdit, m_bookmarks, &Bookmarks::editBookmarks);
    c.bindList(MenuArray::Book, [this](int place) { m_bookmarks->openBookmark(place); });
    c.bind(MenuArray::Help, HelpContents, m_help, &HelpCommands::noHelp);
    c.bind(MenuArray::Help, HelpSearch, m_help, &HelpCommands::noHelp);
    c.bind(MenuArray::Help, HelpAbout, m_help, &HelpCommands::About);
}

} // namespace qm

#pragma once
// The File menu's printing entries: Page Setup, Print Preview and Print of the listing of
// the item chosen in the current cell.

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>

#include "print/listing_layout.h"

class QPrinter;

namespace qm {

class MainWindow;
class PageSurface;
class PreviewWindow;
class PrintTarget;
class Prompter;

/// Where printouts go: the printer Page Setup sets up, or without one a PDF file, the one
/// chosen last kept for the session.
class PrintDestination {
public:
    PrintDestination();
    ~PrintDestination();
    QPrinter& printer() { return *m_printer; }
    /// The printer when one is set up; otherwise a PDF file the user names, proposed as
    /// "<item name>.pdf" in the folder used last (at first `folder`), or the very file chosen
    /// last for the same name; ".pdf" is added to a name typed without an extension, and an
    /// existing file is replaced only when the user agrees. Null when the user gave up.
    std::unique_ptr<PrintTarget> choose(Prompter& prompter, const QString& itemName,
                                        const QString& folder);

private:
    std::unique_ptr<QPrinter> m_printer;
    QString m_lastFile;
    QString m_lastProposal; // the name proposed when m_lastFile was chosen
};

/// Tells the user that a printout failed, and why.
void reportPrintFailure(Prompter& prompter, const PrintTarget& target);

class PrintCommands : public QObject {
    Q_OBJECT
public:
    /// Reads the printing settings as they are when a command starts.
    using SettingsSource = std::function<ListingSettings()>;

    PrintCommands(MainWindow& window, SettingsSource settings);
    ~PrintCommands() override;

    void PageSetup();
    void PrintPreview();
    void Print();

    /// The printer that Page Setup sets up and the other two read.
    QPrinter& printer() { return m_destination.printer(); }
    PrintDestination& destination() { return m_destination; }
    /// The preview window while it is loaded (from its first use until its close box).
    PreviewWindow* preview() const;

private:
    /// The item to list, or 0 after telling the user why there is none.
    std::int32_t listedItem(bool preview);
    void printItem(std::int32_t item);
    bool columnsFit(const ListingSettings& settings, double pageWidth, double sampleWidth);
    ListingResult layOut(PageSurface& surface, std::int32_t item, const ListingSettings& settings,
                         double pageWidth, double sampleWidth, const QString& status);

    MainWindow& m_window;
    SettingsSource m_settings;
    PrintDestination m_destination;
    QPointer<PreviewWindow> m_preview;
};

} // namespace qm

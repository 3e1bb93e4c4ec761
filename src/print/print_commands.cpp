#include "print/print_commands.h"

#include <QFileInfo>
#include <QPrinter>
#include <cmath>

#include "print/painter_surface.h"
#include "print/preview_window.h"
#include "print/print_target.h"
#include "window/file_names.h"
#include "window/main_window.h"
#include "window/names.h"
#include "window/prompter.h"
#include "window/status_progress.h"

namespace qm {

namespace {
const QString kTitle = QStringLiteral("QuillMar");
const QString kCrLf = QStringLiteral("\r\n");
} // namespace

PrintDestination::PrintDestination()
    : m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    m_printer->setFullPage(true);
}

PrintDestination::~PrintDestination() = default;

std::unique_ptr<PrintTarget> PrintDestination::choose(Prompter& prompter, const QString& itemName,
                                                      const QString& folder) {
    QPrinter& p = *m_printer;
    if (p.outputFormat() == QPrinter::NativeFormat && !p.printerName().isEmpty())
        return PrintTarget::printer(p);
    // No printer to send to: the printout goes to a PDF file the user names.
    const QString name = fileNameFor(itemName, QStringLiteral("pdf"));
    QString proposed = name;
    QString from = folder;
    if (!m_lastFile.isEmpty()) {
        from = QFileInfo(m_lastFile).absolutePath();
        if (name == m_lastProposal)
            proposed = QFileInfo(m_lastFile).fileName();
    } else if (!p.outputFileName().isEmpty()) {
        from = QFileInfo(p.outputFileName()).absolutePath(); // chosen in Page Setup
    }
    const QString chosen = prompter.saveFile(QStringLiteral("QuillMar Print to File"),
                                             QStringLiteral("PDF (*.pdf)"), from, proposed);
    if (chosen.isEmpty())
        return nullptr;
    const QString path =
        withDefaultSuffix(QFileInfo(chosen).absoluteFilePath(), QStringLiteral("pdf"));
    if (QFileInfo::exists(path) &&
        prompter.ask(QStringLiteral("Overwrite existing file ?"),
                     QStringLiteral("QuillMar Warning"), PromptIcon::Question,
                     PromptButtons::OkCancel) != PromptAnswer::Ok)
        return nullptr;
    m_lastFile = path;
    m_lastProposal = name;
    return PrintTarget::pdfFile(path, p.pageLayout());
}

void reportPrintFailure(Prompter& prompter, const PrintTarget& target) {
    prompter.alert(messageText(target.name()) + kCrLf + QStringLiteral("could not be printed: ") +
                   target.errorString() + QStringLiteral("."));
}

PrintCommands::PrintCommands(MainWindow& window, SettingsSource settings)
    : QObject(&window), m_window(window), m_settings(std::move(settings)) {}

PrintCommands::~PrintCommands() {
    delete m_preview.data();
}

PreviewWindow* PrintCommands::preview() const {
    return m_preview.data();
}

void PrintCommands::PageSetup() {
    // Cancel is no error worth a word: the printer stays as it was.
    m_window.prompter().printDialog(printer(), QStringLiteral("QuillMar Page Setup"));
}

std::int32_t PrintCommands::listedItem(bool preview) {
    Prompter& prompter = m_window.prompter();
    const BrowserTarget at = m_window.browser().target();
    // An empty cell shows no item, so there is nothing to list either.
    if (!at.item) {
        const QString text = QStringLiteral("No selection");
        if (preview)
            prompter.alert(text);
        else
            prompter.ask(text, kTitle, PromptIcon::Exclamation, PromptButtons::Ok);
        return 0;
    }
    const std::int32_t item = at.entryOrItem();
    if (!m_window.nodes()[item].hasChildren()) {
        prompter.ask(QStringLiteral("No child Items"), kTitle, PromptIcon::Exclamation,
                     PromptButtons::Ok);
        return 0;
    }
    return item;
}

void PrintCommands::Print() {
    if (const std::int32_t item = listedItem(false))
        printItem(item);
}

void PrintCommands::PrintPreview() {
    const std::int32_t item = listedItem(true);
    if (!item)
        return;
    const ListingSettings settings = m_settings();
    const QSizeF sheet = sheetTwips(printer().pageLayout());
    const QSizeF half(std::nearbyint(sheet.width() / 2), std::nearbyint(sheet.height() / 2));
    const double pageWidth = 2 * half.width();
    const double sample = sheetTextWidth(columnSample(), settings.FontSize);
    if (!columnsFit(settings, pageWidth, sample))
        return;
    if (!m_preview)
        m_preview = new PreviewWindow(&m_window);
    m_preview->setScale(m_window.scale());
    m_preview->prepare(half);
    // Recorded pages always take a new page.
    layOut(m_preview->pages(), item, settings, pageWidth, sample,
           QStringLiteral("Preparing preview ..."));
    const bool print = m_preview->showPages();
    if (m_preview->closedByUser())
        delete m_preview.data();
    if (print)
        printItem(item);
}

void PrintCommands::printItem(std::int32_t item) {
    const ListingSettings settings = m_settings();
    const QSizeF sheet = sheetTwips(printer().pageLayout());
    const double sample = sheetTextWidth(columnSample(), settings.FontSize);
    if (!columnsFit(settings, sheet.width(), sample))
        return;
    const QString name = trimmedNameText(m_window.nodes()[item].Name);
    const std::unique_ptr<PrintTarget> target =
        m_destination.choose(m_window.prompter(), name, folderOf(m_window.CurFile()));
    if (!target)
        return;
    const QString title = QStringLiteral("QuillMar listing for ") + name;
    MainWindow::BusyScope busy(m_window);
    if (!target->begin(title)) {
        reportPrintFailure(m_window.prompter(), *target);
        return;
    }
    if (layOut(target->surface(), item, settings, sheet.width(), sample,
               QStringLiteral("Printing ...")) != ListingResult::Done) {
        target->abandon();
        reportPrintFailure(m_window.prompter(), *target);
        return;
    }
    if (!target->finish())
        reportPrintFailure(m_window.prompter(), *target);
}

bool PrintCommands::columnsFit(const ListingSettings& settings, double pageWidth,
                               double sampleWidth) {
    if (listingColumns(pageWidth, sampleWidth, settings.MaxColumns) >= 1)
        return true;
    m_window.prompter().alert(
        QStringLiteral("Not one column of the listing fits across the page.") + kCrLf +
        QStringLiteral("Choose a smaller font size or a wider page."));
    return false;
}

ListingResult PrintCommands::layOut(PageSurface& surface, std::int32_t item,
                                    const ListingSettings& settings, double pageWidth,
                                    double sampleWidth, const QString& status) {
    MainWindow::BusyScope busy(m_window);
    StatusProgress progress(m_window.status(), status, [this] { m_window.yieldEvents(); });
    const ListingResult result =
        layOutListing(surface, m_window.nodes(), item, settings, pageWidth, sampleWidth, &progress);
    m_window.Status_Reset();
    return result;
}

} // namespace qm

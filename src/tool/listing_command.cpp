#include "tool/listing_command.h"

#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <optional>

#include "base/names.h"
#include "print/listing_layout.h"
#include "print/painter_surface.h"
#include "print/print_target.h"
#include "store/data_file.h"
#include "store/item_path.h"
#include "store/message_text.h"
#include "store/name_codec.h"
#include "tool/commands.h"

namespace qm {

namespace {

// What the listing asks for cannot be done: no such item, nothing to list, nowhere to write.
ToolError refused(std::string message) {
    return ToolError(std::move(message), kToolProblems);
}

int runListing(const CommandLine& cl, std::ostream&, std::ostream& err) {
    std::optional<QGuiApplication> app;
    if (!QCoreApplication::instance()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "qmtool";
        static char* argv[] = {name, nullptr};
        app.emplace(argc, argv);
    }
    ListingSettings settings;
    settings.MaxColumns = cl.columns.value_or(settings.MaxColumns);
    settings.FontSize = cl.fontSize.value_or(settings.FontSize);
    settings.Hierarchy = cl.hierarchy.value_or(settings.Hierarchy);
    const std::string& file = cl.words[1];
    const std::string& path = cl.words[2];
    const WriteRules output = outputRules(cl, file);
    refuseOutput(cl.output, output);
    const LoadResult load = loadDataFile(file);
    if (!load.ok)
        throw ToolError(shownText(file) + ": refused: " + load.error);
    for (const std::string& problem : load.problems)
        err << shownText(file) << ": warning: " << problem << '\n';
    const auto pathBytes = utf8ToBytes(path);
    const std::int32_t item = pathBytes ? resolveItemPath(load.table, *pathBytes) : 0;
    if (item < 1)
        throw refused(quotedText(path) + ": no such item in " + shownText(file));
    if (!load.table[item].hasChildren())
        throw refused(quotedText(path) + ": has no child items to list");

    const QPageLayout page(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF());
    const double width = sheetTwips(page).width();
    const double sample = sheetTextWidth(columnSample(), settings.FontSize);
    if (listingColumns(width, sample, settings.MaxColumns) < 1)
        throw refused("not one column fits across the page at " +
                      std::to_string(settings.FontSize) + " points");
    // Laid out in memory, then written through the same safe writer as every other output.
    QByteArray pdf;
    const auto target = PrintTarget::pdfBytes(pdf, page);
    const auto cannotWrite = [&](const std::string& why) {
        return refused(shownText(cl.output) + ": cannot be written: " + why);
    };
    if (!target->begin(QStringLiteral("QuillMar listing for ") +
                       trimmedNameText(load.table[item].Name)))
        throw cannotWrite(target->errorString().toStdString());
    if (layOutListing(target->surface(), load.table, item, settings, width, sample) !=
        ListingResult::Done) {
        target->abandon();
        throw cannotWrite(target->errorString().toStdString());
    }
    if (!target->finish())
        throw cannotWrite(target->errorString().toStdString());
    std::string error;
    const auto produce = [&](const ByteSink& sink) {
        return sink(pdf.constData(), static_cast<std::size_t>(pdf.size()));
    };
    if (!writeFileSafely(cl.output, produce, error, output))
        throw cannotWrite(error);
    return kToolOk;
}

} // namespace

int runToolWithListing(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runTool(args, out, err, runListing);
}

} // namespace qm

#include "tool/listing_command.h"

#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <charconv>
#include <optional>

#include "print/listing_layout.h"
#include "print/painter_surface.h"
#include "print/print_target.h"
#include "store/data_file.h"
#include "store/item_path.h"
#include "store/name_codec.h"
#include "tool/commands.h"
#include "window/names.h"

namespace qm {

namespace {

constexpr std::string_view kSynopsis =
    "listing FILE PATH -o OUT.pdf [--columns N] [--font-size N] [--hierarchy N]";
constexpr std::string_view kHelp =
    "Usage: qmtool listing FILE PATH -o OUT.pdf [--columns N] [--font-size N] [--hierarchy N]\n"
    "\n"
    "Lays the items below PATH out on A4 pages as File -> Print does and writes them to\n"
    "OUT.pdf, replacing it only once the listing is complete.\n"
    "  --columns N     at most N columns a page (default 2)\n"
    "  --font-size N   N points a line (default 10)\n"
    "  --hierarchy N   0: two spaces a level and descendancy lines (the default);\n"
    "                  N of 1 or more: N spaces a level; below 0: two spaces, no lines\n";

struct Failure {
    std::string message;
    int status = kToolError; // usage errors and unusable files
};

// What the listing asks for cannot be done: no such item, nothing to list, nowhere to write.
Failure refused(std::string message) {
    return Failure{std::move(message), kToolProblems};
}

struct ListingArgs {
    std::vector<std::string> words; // FILE PATH
    std::string output;
    ListingSettings settings;
    bool help = false;
};

int wholeNumber(const std::string& option, const std::string& text, int low, int high) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high)
        throw Failure{option + " needs a whole number from " + std::to_string(low) + " to " +
                      std::to_string(high) + ", not \"" + text + "\""};
    return value;
}

ListingArgs parse(const std::vector<std::string>& args) {
    ListingArgs a;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--help" || word == "-h") {
            a.help = true;
            continue;
        }
        if (word.size() < 2 || word[0] != '-') {
            a.words.push_back(word);
            continue;
        }
        // "--name=value" or "--name value".
        std::string name = word;
        std::optional<std::string> value;
        if (const auto eq = word.find('='); eq != std::string::npos && word.rfind("--", 0) == 0)
            name = word.substr(0, eq), value = word.substr(eq + 1);
        if (name != "-o" && name != "--columns" && name != "--font-size" && name != "--hierarchy")
            throw Failure{"unknown option " + word};
        if (!value) {
            if (i + 1 >= args.size())
                throw Failure{name + " needs a value"};
            value = args[++i];
        }
        if (name == "-o")
            a.output = *value;
        else if (name == "--columns")
            a.settings.MaxColumns = wholeNumber(name, *value, 1, 100);
        else if (name == "--font-size")
            a.settings.FontSize = wholeNumber(name, *value, 1, 1000);
        else
            a.settings.Hierarchy = wholeNumber(name, *value, -100, 100);
    }
    if (!a.help && (a.words.size() != 2 || a.output.empty()))
        throw Failure{"usage: qmtool " + std::string(kSynopsis)};
    return a;
}

} // namespace

int runListing(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        const ListingArgs a = parse(args);
        if (a.help) {
            out << kHelp;
            return kToolOk;
        }
        const std::string& file = a.words[0];
        const std::string& path = a.words[1];
        const LoadResult load = loadDataFile(file);
        if (!load.ok)
            throw Failure{file + ": refused: " + load.error};
        for (const std::string& problem : load.problems)
            err << file << ": warning: " << problem << '\n';
        const auto pathBytes = utf8ToBytes(path);
        const std::int32_t item = pathBytes ? resolveItemPath(load.table, *pathBytes) : 0;
        if (item < 1)
            throw refused(path + ": no such item in " + file);
        if (!load.table[item].hasChildren())
            throw refused(path + ": has no child items to list");

        const QPageLayout page(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF());
        const double width = sheetTwips(page).width();
        const double sample = sheetTextWidth(columnSample(), a.settings.FontSize);
        if (listingColumns(width, sample, a.settings.MaxColumns) < 1)
            throw refused("not one column fits across the page at " +
                          std::to_string(a.settings.FontSize) + " points");
        const auto target = PrintTarget::pdfFile(QString::fromStdString(a.output), page);
        const auto cannotWrite = [&] {
            return refused(a.output +
                           ": cannot be written: " + target->errorString().toStdString());
        };
        if (!target->begin(QStringLiteral("QuillMar listing for ") +
                           trimmedNameText(load.table[item].Name)))
            throw cannotWrite();
        if (layOutListing(target->surface(), load.table, item, a.settings, width, sample) !=
            ListingResult::Done) {
            target->abandon();
            throw cannotWrite();
        }
        if (!target->finish())
            throw cannotWrite();
        return kToolOk;
    } catch (const Failure& f) {
        err << "qmtool: " << f.message << '\n';
        return f.status;
    }
}

int runListingMain(int argc, char** argv, std::ostream& out, std::ostream& err) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    return runListing(args, out, err);
}

} // namespace qm

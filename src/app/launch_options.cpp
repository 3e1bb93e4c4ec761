#include "app/launch_options.h"

#include <array>

#include "about/version.h"

namespace qm {

namespace {

// Qt's standard options that take a value, and those that do not; QApplication reads them.
constexpr std::array kQtValueOptions{
    "platform",        "platformpluginpath", "platformtheme", "plugin",
    "qwindowgeometry", "qwindowicon",        "qwindowtitle",  "session",
    "display",         "geometry",           "style",         "stylesheet"};
constexpr std::array kQtFlags{"reverse", "widgetcount", "nograb", "dograb", "sync"};

template <std::size_t N> bool listed(const std::array<const char*, N>& names, const QString& name) {
    for (const char* n : names)
        if (name == QLatin1String(n))
            return true;
    return false;
}

} // namespace

LaunchOptions parseLaunchOptions(const QStringList& arguments) {
    LaunchOptions o;
    const auto refuse = [](const QString& why) {
        LaunchOptions refused;
        refused.action = LaunchOptions::Action::Usage;
        refused.error = why;
        return refused;
    };
    qsizetype i = 0;
    for (; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--")) {
            ++i;
            break;
        }
        if (!a.startsWith(u'-') || a == QLatin1String("-"))
            break;
        if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            o.action = LaunchOptions::Action::Help;
            return o;
        }
        if (a == QLatin1String("--version")) {
            o.action = LaunchOptions::Action::Version;
            return o;
        }
        // Qt takes its options with one dash or two, the value after "=" or as the next word.
        const QString bare = a.mid(a.startsWith(QLatin1String("--")) ? 2 : 1);
        const QString name = bare.section(u'=', 0, 0);
        if (listed(kQtFlags, bare)) {
            o.qtArguments << a;
        } else if (listed(kQtValueOptions, name)) {
            o.qtArguments << a;
            if (!bare.contains(u'=')) {
                if (i + 1 == arguments.size())
                    return refuse(a + QLatin1String(" needs a value"));
                o.qtArguments << arguments[++i];
            }
        } else {
            return refuse(QLatin1String("unknown option ") + a);
        }
    }
    o.fileWords = arguments.mid(i);
    return o;
}

QString launchUsage() {
    return QStringLiteral(
        "Usage: quillmar [OPTION]... [--] [FILE]\n"
        "Opens the data file FILE (*.qmd) in the QuillMar window, or an empty window.\n"
        "\n"
        "  -h, --help     show this text and exit\n"
        "  --version      show the version and exit\n"
        "  --             end of options: a FILE that begins with \"-\" follows it\n"
        "\n"
        "The words after the options are one file name, joined by single spaces. Qt's own\n"
        "options (-platform NAME, -style NAME, -display DISPLAY, -reverse, ...) are passed\n"
        "on. Settings are kept in the file QUILLMAR_SETTINGS names, else in the program's\n"
        "folder with \".ini\" appended, else in $XDG_CONFIG_HOME/QuillMar.ini; see\n"
        "quillmar(1).\n");
}

QString launchVersion() {
    return QLatin1String(kAppTitle) + QLatin1Char(' ') + QLatin1String(kVersionText) +
           QLatin1Char('\n');
}

} // namespace qm

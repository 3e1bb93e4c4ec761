#pragma once
// A qmtool command run in-process: its exit status and what it wrote to each stream.

#include <QString>
#include <QStringList>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace qm::test {

struct ToolRun {
    int code = -1;
    QString out, err;
};

using ToolCommand = int (*)(const std::vector<std::string>& args, std::ostream& out,
                            std::ostream& err);

inline ToolRun runCommand(ToolCommand command, const QStringList& args) {
    std::vector<std::string> words;
    for (const QString& a : args)
        words.push_back(a.toStdString());
    std::ostringstream out, err;
    const int code = command(words, out, err);
    return {code, QString::fromStdString(out.str()), QString::fromStdString(err.str())};
}

} // namespace qm::test

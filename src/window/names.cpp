#include "window/names.h"

#include "window/prompter.h"

namespace qm {

std::optional<NameField> storableName(Prompter& prompter, const QString& text) {
    const std::optional<std::string> bytes = nameBytes(text);
    if (!bytes) {
        prompter.alert(QStringLiteral("The name ") + text +
                       QStringLiteral(" has characters a QuillMar DataFile can't hold !"));
        return std::nullopt;
    }
    if (bytes->size() > static_cast<std::size_t>(kNameLength)) {
        prompter.alert(QStringLiteral("The name ") + text +
                       QStringLiteral(" is longer than 20 characters !"));
        return std::nullopt;
    }
    return makeName(*bytes);
}

} // namespace qm

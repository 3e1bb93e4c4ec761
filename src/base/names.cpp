#include "base/names.h"

#include <QList>

#include "store/message_text.h"
#include "store/name_codec.h"

namespace qm {

QString bytesText(std::string_view bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (char b : bytes)
        out.append(QChar(static_cast<char16_t>(decodeByte(static_cast<unsigned char>(b)))));
    return out;
}

QString nameText(const NameField& name) {
    return bytesText({name.data(), name.size()});
}

QString trimmedNameText(const NameField& name) {
    return bytesText(trimmedName(name));
}

QString trimSpaces(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin);
}

std::optional<std::string> nameBytes(const QString& text) {
    const QList<uint> chars = text.toUcs4();
    return encodeChars(std::u32string_view(reinterpret_cast<const char32_t*>(chars.constData()),
                                           static_cast<std::size_t>(chars.size())));
}

QString messageText(const QString& text) {
    return QString::fromStdString(shownText(text.toStdString()));
}

} // namespace qm

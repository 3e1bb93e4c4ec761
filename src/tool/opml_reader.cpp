#include "tool/opml_reader.h"

#include <QXmlStreamReader>
#include <algorithm>
#include <string>
#include <vector>

#include "store/message_text.h"
#include "tool/xml_prescan.h"

namespace qm {

namespace {

// Counts what the document holds that the tree does not keep, and names a few of each.
class Ignored {
public:
    void element(QStringView name) { note(m_elements, m_elementNames, name); }
    void attribute(QStringView name) { note(m_attributes, m_attributeNames, name); }

    std::string summary() const {
        if (m_elements + m_attributes == 0)
            return {};
        std::string text = "ignored what the tree does not keep:";
        if (m_elements > 0)
            text += describe(m_elements, " element", m_elementNames);
        if (m_elements > 0 && m_attributes > 0)
            text += " and";
        if (m_attributes > 0)
            text += describe(m_attributes, " attribute", m_attributeNames);
        return text;
    }

private:
    static constexpr std::size_t kNamesShown = 6;

    static void note(long long& count, std::vector<QString>& names, QStringView name) {
        ++count;
        if (names.size() <= kNamesShown &&
            std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name.toString());
    }
    static std::string describe(long long count, const char* what,
                                const std::vector<QString>& names) {
        std::string text = " " + std::to_string(count) + what + (count == 1 ? "" : "s") + " (";
        for (std::size_t i = 0; i < names.size() && i < kNamesShown; ++i)
            text += (i > 0 ? ", " : "") + names[i].toStdString();
        return text + (names.size() > kNamesShown ? ", ...)" : ")");
    }

    long long m_elements = 0;
    long long m_attributes = 0;
    std::vector<QString> m_elementNames;
    std::vector<QString> m_attributeNames;
};

// A name without its leading and trailing spaces, kept as far as kNameKept says.
void toName(QStringView text, std::u32string& out) {
    while (!text.isEmpty() && text.front() == u' ')
        text = text.mid(1);
    while (!text.isEmpty() && text.back() == u' ')
        text.chop(1);
    out.clear();
    for (auto i = text.begin(); i != text.end(); ++i) {
        if (out.size() == kNameKept) {
            markCut(out);
            return;
        }
        char32_t ch = i->unicode();
        if (i->isHighSurrogate() && i + 1 != text.end() && (i + 1)->isLowSurrogate()) {
            ch = QChar::surrogateToUcs4(*i, *(i + 1));
            ++i;
        }
        out.push_back(ch);
    }
}

// The entities a document declares, to tell whether a reference reaches outside it.
class Entities {
public:
    void read(const QXmlStreamEntityDeclarations& declarations) {
        for (const QXmlStreamEntityDeclaration& e : declarations) {
            if (!e.systemId().isEmpty() || !e.publicId().isEmpty())
                m_external.push_back(e.name().toString());
            else
                m_values.emplace_back(e.name().toString(), e.value().toString());
        }
    }
    // The external entity a reference to `name` reaches, itself or through the text of
    // others; empty when none.
    QString externalBehind(const QString& name, int depth = 0) const {
        if (std::find(m_external.begin(), m_external.end(), name) != m_external.end())
            return name;
        const auto it = std::find_if(m_values.begin(), m_values.end(),
                                     [&](const auto& v) { return v.first == name; });
        if (it == m_values.end() || depth > kDeepest)
            return {};
        const QString& value = it->second;
        for (qsizetype amp = value.indexOf(u'&'); amp >= 0; amp = value.indexOf(u'&', amp + 1)) {
            const qsizetype end = value.indexOf(u';', amp);
            if (end <= amp + 1)
                continue;
            const QString behind = externalBehind(value.mid(amp + 1, end - amp - 1), depth + 1);
            if (!behind.isEmpty())
                return behind;
        }
        return {};
    }

private:
    static constexpr int kDeepest = 16;
    std::vector<QString> m_external;
    std::vector<std::pair<QString, QString>> m_values;
};

// The elements whose content is read; everything else is skipped whole.
enum class Place { Opml, Head, Body, Outline };

} // namespace

OutlineResult readOpml(std::string_view bytes, const ImportRules& rules) {
    OutlineBuilder builder(rules, "the head has no title; use --top NAME");
    const XmlPrescan scan = prescanXml(bytes);
    if (scan.crowdedLine > 0) {
        builder.fail(scan.crowdedLine,
                     "an element with more than " + std::to_string(kMaxAttributes) + " attributes");
        return std::move(builder.result());
    }
    // Not beyond what the shortest outline elements could fill, whatever the text holds.
    builder.reserve(std::min(scan.outlines, bytes.size() / 16));
    QXmlStreamReader xml(
        QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
    std::vector<Place> open;
    Ignored ignored;
    Entities entities;
    bool sawBody = false;
    int outlines = 0; // outline elements open
    std::u32string name;
    const auto line = [&] { return static_cast<int>(xml.lineNumber()); };
    const auto fail = [&](std::string why) {
        builder.fail(line(), std::move(why), static_cast<int>(xml.columnNumber()));
        return std::move(builder.result());
    };

    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && !open.empty()) {
            outlines -= open.back() == Place::Outline ? 1 : 0;
            open.pop_back();
            continue;
        }
        if (token == QXmlStreamReader::DTD)
            entities.read(xml.entityDeclarations());
        if (token != QXmlStreamReader::StartElement)
            continue; // text between elements, comments, the DTD, entities never resolved
        const QStringView tag = xml.name();
        const Place where = open.empty() ? Place::Opml : open.back();
        if (open.empty()) {
            if (tag != u"opml")
                return fail("not an OPML document: its root element is <" +
                            tag.toString().toStdString() + ">");
            for (const QXmlStreamAttribute& a : xml.attributes())
                if (a.qualifiedName() != u"version")
                    ignored.attribute(a.qualifiedName());
            open.push_back(Place::Opml);
        } else if (where == Place::Opml && tag == u"head") {
            open.push_back(Place::Head);
        } else if (where == Place::Opml && tag == u"body") {
            sawBody = true;
            open.push_back(Place::Body);
        } else if (where == Place::Head && tag == u"title") {
            const int at = line();
            // The reader leaves such a reference out of the text without a word.
            for (const QString& entity : scan.titleEntities)
                if (const QString external = entities.externalBehind(entity); !external.isEmpty())
                    return fail("the head's title refers to the external entity " +
                                quotedText(external.toStdString()) + ", which is never read");
            toName(xml.readElementText(QXmlStreamReader::SkipChildElements), name);
            if (name.find_first_not_of(U' ') != std::u32string::npos)
                builder.offerTopName(name, at);
        } else if ((where == Place::Body || where == Place::Outline) && tag == u"outline") {
            bool hasText = false;
            for (const QXmlStreamAttribute& a : xml.attributes()) {
                if (a.qualifiedName() == u"text") {
                    toName(a.value(), name);
                    hasText = true;
                } else {
                    ignored.attribute(a.qualifiedName());
                }
            }
            if (!hasText)
                return fail("an outline element without a text attribute");
            if (!builder.add(outlines, name, line()))
                return std::move(builder.result());
            ++outlines;
            open.push_back(Place::Outline);
        } else {
            ignored.element(tag);
            xml.skipCurrentElement();
        }
    }
    if (xml.hasError())
        return fail(xml.errorString().toStdString());
    if (!sawBody)
        return fail("the document has no body");
    if (builder.itemCount() == 0)
        return fail("the body holds no outline");
    if (!builder.finish())
        return std::move(builder.result());
    if (const std::string summary = ignored.summary(); !summary.empty())
        builder.result().warnings.push_back({0, summary});
    return std::move(builder.result());
}

} // namespace qm

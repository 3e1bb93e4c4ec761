#include "tool/xml_prescan.h"

#include <algorithm>
#include <cstdint>

namespace qm {

namespace {

constexpr std::size_t kLongestEntityName = 256;

// The document's code units, whatever their width and byte order.
template <int Width, bool BigEndian> class Units {
public:
    Units(std::string_view bytes, std::size_t skip)
        : m_bytes(bytes.substr(skip)), m_size(m_bytes.size() / Width) {}

    std::size_t size() const { return m_size; }
    char32_t operator[](std::size_t i) const {
        const auto* p = reinterpret_cast<const unsigned char*>(m_bytes.data()) + i * Width;
        char32_t c = 0;
        for (int k = 0; k < Width; ++k)
            c |= static_cast<char32_t>(p[k]) << (8 * (BigEndian ? Width - 1 - k : k));
        return c;
    }
    // The first `c` at or after `from`, or size().
    std::size_t find(char32_t c, std::size_t from) const {
        if constexpr (Width == 1) {
            return std::min(m_bytes.find(static_cast<char>(c), from), m_size);
        } else {
            while (from < m_size && (*this)[from] != c)
                ++from;
            return from;
        }
    }
    bool at(std::size_t i, std::string_view ascii) const {
        if (i > m_size || m_size - i < ascii.size())
            return false;
        for (std::size_t k = 0; k < ascii.size(); ++k)
            if ((*this)[i + k] != static_cast<unsigned char>(ascii[k]))
                return false;
        return true;
    }
    // Just after the next `ascii` from `from` on, or size().
    std::size_t past(std::size_t from, std::string_view ascii) const {
        for (std::size_t i = find(ascii[0], from); i < m_size; i = find(ascii[0], i + 1))
            if (at(i, ascii))
                return i + ascii.size();
        return m_size;
    }
    QString text(std::size_t from, std::size_t to) const {
        if constexpr (Width == 1)
            return QString::fromUtf8(m_bytes.data() + from, static_cast<qsizetype>(to - from));
        QString out;
        for (std::size_t i = from; i < to; ++i) {
            if constexpr (Width == 2)
                out += QChar(static_cast<char16_t>((*this)[i]));
            else
                out += QString::fromUcs4(std::u32string(1, (*this)[i]).data(), 1);
        }
        return out;
    }
    int lineOf(std::size_t at) const {
        int line = 1;
        for (std::size_t i = find(U'\n', 0); i < at; i = find(U'\n', i + 1))
            ++line;
        return line;
    }

private:
    std::string_view m_bytes;
    std::size_t m_size;
};

bool isSpace(char32_t c) {
    return c == U' ' || c == U'\t' || c == U'\r' || c == U'\n';
}

bool isPredefined(const QString& name) {
    return name == u"amp" || name == u"lt" || name == u"gt" || name == u"apos" || name == u"quot";
}

enum class Kind : std::uint8_t { Other, Opml, Head, Title };

template <class U> class Scanner {
public:
    explicit Scanner(const U& units) : u(units) {}

    XmlPrescan run() {
        for (std::size_t i = 0; i < u.size();) {
            const std::size_t lt = u.find(U'<', i);
            if (inTitle())
                noteReferences(i, lt);
            if (lt >= u.size())
                break;
            if (u.at(lt, "<!--"))
                i = u.past(lt + 4, "-->");
            else if (u.at(lt, "<![CDATA["))
                i = u.past(lt + 9, "]]>");
            else if (u.at(lt, "<?"))
                i = u.past(lt + 2, "?>");
            else if (u.at(lt, "<!"))
                i = skipDeclaration(lt + 2);
            else if (u.at(lt, "</"))
                i = endTag(lt);
            else
                i = startTag(lt);
            if (m_out.crowdedLine > 0)
                break;
        }
        return std::move(m_out);
    }

private:
    const U& u;
    XmlPrescan m_out;
    std::vector<Kind> m_open;

    bool inTitle() const {
        return m_open.size() == 3 && m_open[0] == Kind::Opml && m_open[1] == Kind::Head &&
               m_open[2] == Kind::Title;
    }

    void noteReferences(std::size_t from, std::size_t to) {
        for (std::size_t amp = u.find(U'&', from); amp < to; amp = u.find(U'&', amp + 1)) {
            std::size_t end = amp + 1;
            while (end < to && end - amp <= kLongestEntityName && u[end] != U';' &&
                   !isSpace(u[end]))
                ++end;
            if (end >= to || u[end] != U';' || end == amp + 1 || u[amp + 1] == U'#')
                continue;
            const QString name = u.text(amp + 1, end);
            if (!isPredefined(name))
                m_out.titleEntities.push_back(name);
        }
    }

    // A document type with its internal subset, or any other declaration.
    std::size_t skipDeclaration(std::size_t i) const {
        int depth = 0;
        for (; i < u.size(); ++i) {
            const char32_t c = u[i];
            if (c == U'"' || c == U'\'')
                i = u.find(c, i + 1);
            else if (c == U'[')
                ++depth;
            else if (c == U']')
                depth = std::max(depth - 1, 0);
            else if (u.at(i, "<!--"))
                i = u.past(i + 4, "-->") - 1;
            else if (c == U'>' && depth == 0)
                return i + 1;
        }
        return u.size();
    }

    std::size_t endTag(std::size_t lt) {
        if (!m_open.empty())
            m_open.pop_back();
        return std::min(u.find(U'>', lt) + 1, u.size());
    }

    bool named(std::size_t from, std::size_t to, std::string_view name) const {
        return to - from == name.size() && u.at(from, name);
    }

    std::size_t startTag(std::size_t lt) {
        std::size_t end = lt + 1;
        while (end < u.size() && !isSpace(u[end]) && u[end] != U'/' && u[end] != U'>')
            ++end;
        const Kind kind = named(lt + 1, end, "opml")    ? Kind::Opml
                          : named(lt + 1, end, "head")  ? Kind::Head
                          : named(lt + 1, end, "title") ? Kind::Title
                                                        : Kind::Other;
        m_out.outlines += named(lt + 1, end, "outline") ? 1 : 0;
        // Each attribute has one "=" outside the quotes of the values.
        std::size_t attributes = 0;
        for (; end < u.size(); ++end) {
            const char32_t c = u[end];
            if (c == U'"' || c == U'\'') {
                end = u.find(c, end + 1);
            } else if (c == U'=' && ++attributes > kMaxAttributes) {
                m_out.crowdedLine = u.lineOf(lt);
                return u.size();
            } else if (c == U'>') {
                break;
            }
        }
        if (end >= u.size())
            return u.size();
        if (u[end - 1] != U'/')
            m_open.push_back(kind);
        return end + 1;
    }
};

template <int Width, bool BigEndian> XmlPrescan scan(std::string_view bytes, std::size_t skip) {
    const Units<Width, BigEndian> units(bytes, skip);
    return Scanner<Units<Width, BigEndian>>(units).run();
}

bool startsWith(std::string_view bytes, std::string_view start) {
    return bytes.substr(0, start.size()) == start;
}

} // namespace

XmlPrescan prescanXml(std::string_view bytes) {
    using std::string_view;
    // Byte order marks first, then the first "<" in each width.
    if (startsWith(bytes, string_view("\0\0\xFE\xFF", 4)))
        return scan<4, true>(bytes, 4);
    if (startsWith(bytes, string_view("\xFF\xFE\0\0", 4)))
        return scan<4, false>(bytes, 4);
    if (startsWith(bytes, "\xFE\xFF"))
        return scan<2, true>(bytes, 2);
    if (startsWith(bytes, "\xFF\xFE"))
        return scan<2, false>(bytes, 2);
    if (startsWith(bytes, string_view("\0\0\0<", 4)))
        return scan<4, true>(bytes, 0);
    if (startsWith(bytes, string_view("<\0\0\0", 4)))
        return scan<4, false>(bytes, 0);
    if (startsWith(bytes, string_view("\0<", 2)))
        return scan<2, true>(bytes, 0);
    if (startsWith(bytes, string_view("<\0", 2)))
        return scan<2, false>(bytes, 0);
    return scan<1, false>(bytes, startsWith(bytes, "\xEF\xBB\xBF") ? 3 : 0);
}

} // namespace qm

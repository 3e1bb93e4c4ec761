#include "interchange/latin_names.h"

#include <memory>
#include <unicode/normalizer2.h>
#include <unicode/translit.h>
#include <unicode/unistr.h>

#include "store/name_codec.h"

namespace qm {

namespace {

icu::UnicodeString toIcu(std::u32string_view text) {
    return icu::UnicodeString::fromUTF32(reinterpret_cast<const UChar32*>(text.data()),
                                         static_cast<int32_t>(text.size()));
}

void appendFromIcu(std::u32string& out, const icu::UnicodeString& text) {
    for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1))
        out.push_back(static_cast<char32_t>(text.char32At(i)));
}

bool inCodePage(char32_t c) {
    return encodeChar(c).has_value();
}

class Latin {
public:
    std::u32string operator()(std::u32string_view name) {
        UErrorCode status = U_ZERO_ERROR;
        const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
        std::u32string composed;
        if (U_SUCCESS(status)) {
            appendFromIcu(composed, nfc->normalize(toIcu(name), status));
            if (U_SUCCESS(status))
                name = composed;
        }
        std::u32string out;
        for (std::size_t i = 0; i < name.size();) {
            if (inCodePage(name[i])) {
                out.push_back(name[i++]);
                continue;
            }
            std::size_t end = i;
            while (end < name.size() && !inCodePage(name[end]))
                ++end;
            icu::UnicodeString run = toIcu(name.substr(i, end - i));
            if (icu::Transliterator* t = transform())
                t->transliterate(run);
            appendFromIcu(out, run);
            i = end;
        }
        return out;
    }

private:
    icu::Transliterator* transform() {
        if (!m_tried) {
            m_tried = true;
            UErrorCode status = U_ZERO_ERROR;
            m_transform.reset(icu::Transliterator::createInstance("Any-Latin; Latin-ASCII",
                                                                  UTRANS_FORWARD, status));
            if (U_FAILURE(status)) // no transform data: such characters are left out
                m_transform.reset();
        }
        return m_transform.get();
    }

    bool m_tried = false;
    std::unique_ptr<icu::Transliterator> m_transform;
};

} // namespace

Transliteration latinTransliteration() {
    auto latin = std::make_shared<Latin>();
    return [latin](std::u32string_view name) { return (*latin)(name); };
}

} // namespace qm

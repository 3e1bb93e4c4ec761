#include <QTest>

#include "store/message_text.h"
#include "store/name_codec.h"
#include "store/name_match.h"
#include "store/node.h"

using namespace qm;

namespace {
int sign(int v) {
    return (v > 0) - (v < 0);
}
} // namespace

class TestNames : public QObject {
    Q_OBJECT

private slots:
    // The byte a character is stored as; -1 when the code page cannot hold it.
    void codePage_data() {
        QTest::addColumn<uint>("code");
        QTest::addColumn<int>("byte");
        QTest::newRow("euro sign") << 0x20ACu << 0x80;
        QTest::newRow("Y diaeresis") << 0x178u << 0x9F;
        for (int undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
            QTest::addRow("undefined %X", undefined) << uint(undefined) << undefined;
        QTest::newRow("C1 control 80 (its byte means the euro)") << 0x80u << -1;
        QTest::newRow("A macron") << 0x100u << -1;
        QTest::newRow("emoji") << 0x1F600u << -1;
    }
    void codePage() {
        QFETCH(uint, code);
        QFETCH(int, byte);
        if (byte >= 0) {
            QCOMPARE(uint(decodeByte(static_cast<unsigned char>(byte))), code);
            QCOMPARE(encodeChar(code),
                     std::optional<unsigned char>(static_cast<unsigned char>(byte)));
            return;
        }
        QVERIFY(!encodeChar(code));
        const std::u32string text{U'A', char32_t(code), U'B'};
        QVERIFY(!encodeChars(text));
        QVERIFY(!utf8ToBytes(toUtf8(text)));
    }

    void everyByte_roundTripsThroughUnicodeAndUtf8() {
        std::string all;
        for (int b = 0; b < 256; ++b)
            all.push_back(static_cast<char>(b));
        QCOMPARE(encodeChars(decodeBytes(all)), std::optional<std::string>(all));
        QCOMPARE(utf8ToBytes(bytesToUtf8(all)), std::optional<std::string>(all));
    }

    // What a message shows of a path (its start and end) or a name (its start): at most 60
    // characters, none of them a control character or a byte that is no UTF-8.
    void shownInMessages_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        const QByteArray sixty(60, 'a');
        QTest::newRow("short, as it is") << QByteArray("/tmp/Zürich €.qmd") << "/tmp/Zürich €.qmd"
                                         << "\"/tmp/Zürich €.qmd\"";
        QTest::newRow("C0, DEL and C1 escaped")
            << QByteArray("a\nb\x1B[0m\x7F\xC2\x85\tz") << "a\\x0Ab\\x1B[0m\\x7F\\x85\\x09z"
            << "\"a\\x0Ab\\x1B[0m\\x7F\\x85\\x09z\"";
        QTest::newRow("a byte that is no UTF-8") << QByteArray("a\xFF\xC3z") << "a\\xFF\\xC3z"
                                                 << "\"a\\xFF\\xC3z\"";
        QTest::newRow("60 characters, whole")
            << sixty << QString(sixty) << '"' + QString(sixty) + '"';
        QTest::newRow("61 characters, cut")
            << sixty + 'z' << QString(30, 'a') + "…" + QString(28, 'a') + "z"
            << '"' + QString(59, 'a') + "…\"";
        QTest::newRow("an escape is never split")
            << QByteArray(28, 'a') + QByteArray(100, '\0')
            << QString(28, 'a') + "…" + QString("\\x00").repeated(7)
            << '"' + QString(28, 'a') + QString("\\x00").repeated(7) + "…\"";
    }
    void shownInMessages() {
        QFETCH(QByteArray, text);
        const std::string_view bytes(text.constData(), std::size_t(text.size()));
        QTEST(QString::fromStdString(shownText(bytes)), "path");
        if (const auto chars = fromUtf8(bytes))
            QTEST(QString::fromStdString(quotedName(*chars)), "name");
    }

    void nameField_padsCutsAndTrimsOnlySpaces() {
        QCOMPARE(std::string(makeName("Ab").data(), kNameLength), "Ab" + std::string(18, ' '));
        QCOMPARE(trimmedName(makeName("123456789012345678901234")), "12345678901234567890");
        QCOMPARE(trimmedName(makeName("  a b  ")), "a b");
        QCOMPARE(trimmedName(makeName("\ta\xA0")), "\ta\xA0");
        QCOMPARE(trimmedName(makeName("")), "");
    }

    // Names order on decoded codes (the euro after y diaeresis), and so must the byte ranks
    // the sorted walk compares.
    void compareNamesAndSortRank_orderAsDecodedCodes() {
        QVERIFY(qm::compareNames("Ab", "Abc") < 0);
        QVERIFY(qm::compareNames("Abc", "Ab") > 0);
        QCOMPARE(qm::compareNames("Same", "Same"), 0);
        for (int a = 0; a < 256; ++a) {
            for (int b = 0; b < 256; ++b) {
                const int byCode = sign(int(decodeByte(a)) - int(decodeByte(b)));
                const int byName =
                    sign(qm::compareNames(std::string(1, char(a)), std::string(1, char(b))));
                if (sign(int(sortRank(a)) - int(sortRank(b))) != byCode || byName != byCode)
                    QFAIL(qPrintable(QStringLiteral("bytes %1 and %2 rank wrongly").arg(a).arg(b)));
            }
        }
    }

    void matcher_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("match");
        // clang-format off
        QTest::newRow("exact") << 0 << "APPLE" << "  APPLE" << true;
        QTest::newRow("exact is case-sensitive") << 0 << "APPLE" << "Apple" << false;
        QTest::newRow("exact keeps the text's trailing space") << 0 << "APPLE " << "APPLE" << false;
        QTest::newRow("text in name") << 1 << "PL" << "APPLE" << true;
        QTest::newRow("name in text") << 2 << "PINEAPPLE" << "APPLE" << true;
        QTest::newRow("text at the end of a full field") << 1 << "RST" << "ABCDEFGHIJKLMNOPQRST" << true;
        QTest::newRow("text found only past a false start") << 1 << "AAB" << "AAAAB" << true;
        QTest::newRow("text must not run into the padding") << 1 << "B " << "AB" << false;
        QTest::newRow("euro sign") << 1 << "\u20AC" << "5 \u20AC" << true;
        QTest::newRow("text with a character no name holds") << 1 << "\u0100" << "A" << false;
        QTest::newRow("name beside such a character") << 2 << "X\u0100APPLE\u0101" << "APPLE" << true;
        QTest::newRow("name across such a character") << 2 << "APP\u0100LE" << "APPLE" << false;
        QTest::newRow("name past a false start") << 2 << "APAPPLE" << "APPLE" << true;
        QTest::newRow("name at the end of the text") << 2 << "XYZAB" << "AB" << true;
        QTest::newRow("one-byte name last") << 2 << "XYZ" << "Z" << true;
        QTest::newRow("second byte apart") << 2 << "AXB" << "AB" << false;
        QTest::newRow("name at the end of a long text") << 2 << QString(70, 'X') + "APPLE" << "APPLE" << true;
        // clang-format on
    }
    void matcher() {
        QFETCH(int, style);
        QFETCH(QString, text);
        QFETCH(QString, name);
        QFETCH(bool, match);
        const QList<uint> chars = text.toUcs4();
        const NameMatcher m(static_cast<MatchStyle>(style),
                            std::u32string(chars.begin(), chars.end()));
        const QList<uint> nameChars = name.toUcs4();
        const auto bytes = encodeChars(std::u32string(nameChars.begin(), nameChars.end()));
        QVERIFY(bytes);
        QCOMPARE(m.matches(makeName(*bytes)), match);
    }
};

QTEST_APPLESS_MAIN(TestNames)
#include "test_names.moc"

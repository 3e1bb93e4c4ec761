#include <QTest>

#include "store/name_codec.h"
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
    void codePage_data() {
        QTest::addColumn<int>("byte");
        QTest::addColumn<uint>("code");
        QTest::newRow("euro sign") << 0x80 << 0x20ACu;
        QTest::newRow("Y diaeresis") << 0x9F << 0x178u;
        QTest::newRow("y diaeresis") << 0xFF << 0xFFu;
        QTest::newRow("undefined 81") << 0x81 << 0x81u;
        QTest::newRow("undefined 8D") << 0x8D << 0x8Du;
        QTest::newRow("undefined 8F") << 0x8F << 0x8Fu;
        QTest::newRow("undefined 90") << 0x90 << 0x90u;
        QTest::newRow("undefined 9D") << 0x9D << 0x9Du;
    }
    void codePage() {
        QFETCH(int, byte);
        QFETCH(uint, code);
        QCOMPARE(uint(decodeByte(static_cast<unsigned char>(byte))), code);
        QCOMPARE(encodeChar(code), std::optional<unsigned char>(static_cast<unsigned char>(byte)));
    }

    void everyByte_roundTripsThroughUnicodeAndUtf8() {
        std::string all;
        for (int b = 0; b < 256; ++b)
            all.push_back(static_cast<char>(b));
        QCOMPARE(encodeChars(decodeBytes(all)), std::optional<std::string>(all));
        QCOMPARE(utf8ToBytes(bytesToUtf8(all)), std::optional<std::string>(all));
    }

    void characterOutsideCodePage_notStorable_data() {
        QTest::addColumn<uint>("code");
        QTest::newRow("C1 control 80 (its byte means the euro)") << 0x80u;
        QTest::newRow("A macron") << 0x100u;
        QTest::newRow("replacement character") << 0xFFFDu;
        QTest::newRow("emoji") << 0x1F600u;
    }
    void characterOutsideCodePage_notStorable() {
        QFETCH(uint, code);
        QVERIFY(!encodeChar(code));
        const std::u32string text{U'A', char32_t(code), U'B'};
        QVERIFY(!encodeChars(text));
        QVERIFY(!utf8ToBytes(toUtf8(text)));
    }

    void nameField_padsCutsAndTrimsOnlySpaces() {
        QCOMPARE(std::string(makeName("Ab").data(), kNameLength), "Ab" + std::string(18, ' '));
        QCOMPARE(trimmedName(makeName("123456789012345678901234")), "12345678901234567890");
        QCOMPARE(trimmedName(makeName("  a b  ")), "a b");
        QCOMPARE(trimmedName(makeName("\ta\xA0")), "\ta\xA0");
        QCOMPARE(trimmedName(makeName("")), "");
    }

    void compareNames_data() {
        QTest::addColumn<QByteArray>("a");
        QTest::addColumn<QByteArray>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("upper case before lower") << QByteArray("B") << QByteArray("a") << -1;
        QTest::newRow("equal") << QByteArray("Same") << QByteArray("Same") << 0;
        QTest::newRow("prefix first") << QByteArray("Ab") << QByteArray("Abc") << -1;
        QTest::newRow("euro after y diaeresis") << QByteArray("\x80") << QByteArray("\xFF") << 1;
        QTest::newRow("undefined 81 before no-break space")
            << QByteArray("\x81") << QByteArray("\xA0") << -1;
    }
    void compareNames() {
        QFETCH(QByteArray, a);
        QFETCH(QByteArray, b);
        QFETCH(int, order);
        QCOMPARE(sign(qm::compareNames(a.toStdString(), b.toStdString())), order);
        QCOMPARE(sign(qm::compareNames(b.toStdString(), a.toStdString())), -order);
    }

    // The sorted walk compares byte ranks; they must order exactly as the decoded codes do.
    void sortRank_ordersAsDecodedCodes() {
        for (int a = 0; a < 256; ++a) {
            for (int b = 0; b < 256; ++b) {
                const int byCode = sign(int(decodeByte(a)) - int(decodeByte(b)));
                if (sign(int(sortRank(a)) - int(sortRank(b))) != byCode)
                    QFAIL(qPrintable(QStringLiteral("bytes %1 and %2 rank wrongly").arg(a).arg(b)));
            }
        }
    }
};

QTEST_APPLESS_MAIN(TestNames)
#include "test_names.moc"

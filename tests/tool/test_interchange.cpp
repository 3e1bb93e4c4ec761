// qmtool export and import of OPML, Markdown and outline files: documents in the shapes other
// outliners write, refusals with their line and column, and round trips byte for byte.

#include <QtTest>

#include "store/data_file.h"
#include "store/outline.h"
#include "support/file_bytes.h"
#include "support/tool_run.h"
#include "support/tree_checker.h"
#include "tool/commands.h"

using namespace qm;
using namespace qm::test;

namespace {

ToolRun run(const QStringList& args) {
    return runCommand([](const std::vector<std::string>& a, std::ostream& out,
                         std::ostream& err) { return runTool(a, out, err); },
                      args);
}

// Names that mean something to Markdown, XML or an outline file, and control characters.
const std::string kAwkward[] = {
    "- DASH",     "* STAR",       "1. ONE",         "# HEAD",       "<!-- C -->",
    "<?xml x?>",  "+ PLUS",       "BACK\\SLASH",    "\\x41 \\\\",   "TAB\tIN",
    "&amp; <B>",  "\"Q\" 'A'",    "Z\xDCRICH \x80", "C1\x81X \x85", "NBSP\xA0X",
    "[L](X) `C`", "*STAR* _U_ ~", "LF\nIN",         "CR\rIN",       std::string("NUL\0IN", 6),
    "ESC\x1B[1m", "DEL\x7F",
};

// Names that mean something to Markdown or XML, a tab and a C1 control inside names.
const char* const kTricky = "TOP & <CO> \"Q\"\n"
                            "  1. FIRST\n"
                            "  #TAG\n"
                            "    - DASH\n"
                            "      *STAR* _U_ `C`\n"
                            "    TAB\tIN\n"
                            "  BACK\\SLASH [L](X)\n"
                            "    ZÜRICH € ~\n"
                            "  + PLUS\n"
                            "  C1\xC2\x81X\n";

const char* const kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<opml version=\"2.0\">\n";

// `depth` outline elements each inside the one before, one a line from line 2 on.
QByteArray nested(int depth, const QByteArray& after = {}) {
    QByteArray doc = "<opml version=\"2.0\"><body>\n";
    for (int k = 0; k < depth; ++k)
        doc += "<outline text=\"L" + QByteArray::number(k) + "\">\n";
    for (int k = 0; k < depth; ++k)
        doc += "</outline>";
    return doc + after + "</body></opml>\n";
}

} // namespace

class TestInterchange : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QString saveTree(const QString& name, NodeTable table) {
        std::string error;
        const QString file = path(name);
        if (!saveDataFile(file.toStdString(), table, error))
            QTest::qFail(error.c_str(), __FILE__, __LINE__);
        return file;
    }

private slots:
    // Export in any format, then import telling nothing of the format, gives back the same
    // file byte for byte, with every name the format holds; the outline file, the default,
    // holds them all. The top item's name starts the document as other formats would.
    void exportImport_sameBytes_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("top");
        for (const char* format : {"", "opml", "markdown"})
            for (const char* top :
                 {"- A", "* S", "1. ONE", "# H", "<!-- C -->", "<?xml x?>", "+ P", "\\x41"})
                QTest::addRow("%s, top item %s", *format ? format : "default", top)
                    << format << QByteArray(top);
    }
    void exportImport_sameBytes() {
        QFETCH(QString, format);
        QFETCH(QByteArray, top);
        NodeTable tree = treeFromOutline("TOP\n");
        tree[1].Name = makeName(top.toStdString());
        const auto holds = [&](const std::string& name) {
            NodeTable one = treeFromOutline("T\n  N\n");
            one[2].Name = makeName(name);
            return findUnholdable(one, 1,
                                  format == "opml"       ? OutlineFormat::Opml
                                  : format == "markdown" ? OutlineFormat::Markdown
                                                         : OutlineFormat::TextFile)
                .ok;
        };
        int held = 0;
        for (const std::string& name : kAwkward) {
            if (!holds(name))
                continue;
            const std::int32_t slot = tree.Node_Alloc();
            tree[slot] = Node{1, 0, slot - 1 > 1 ? slot - 1 : 0, 0, 1, kSlotInUse, makeName(name)};
            (slot > 2 ? tree[slot - 1].NextSibling : tree[1].FirstChild) = slot;
            ++held;
        }
        QCOMPARE(held, format.isEmpty() ? int(std::size(kAwkward)) : held);
        const QString source = saveTree("source.qmd", std::move(tree));
        const QString doc = path("doc.out"), copy = path("copy.qmd");
        QFile::remove(copy);
        const QStringList as = format.isEmpty() ? QStringList() : QStringList{"--format", format};
        const ToolRun out = run(QStringList{"export", source, "-o", doc, "--force"} + as);
        QCOMPARE(out.err, QString());
        const ToolRun in = run({"import", doc, copy});
        QCOMPARE(in.err, QString());
        QCOMPARE(in.code, 0);
        QCOMPARE(fileBytes(copy), fileBytes(source));
        QCOMPARE(run(QStringList{"export", source} + as).out.toUtf8(), fileBytes(doc));
    }

    // Markdown renders each name as it is, and OPML nests as the tree does.
    void export_documents() {
        const QString tricky = saveTree("tricky.qmd", treeFromOutline(kTricky));
        QCOMPARE(run({"export", tricky, "--format=markdown"}).out,
                 QString("- TOP \\& \\<CO\\> \"Q\"\n"
                         "  - 1\\. FIRST\n"
                         "  - \\#TAG\n"
                         "    - \\- DASH\n"
                         "      - \\*STAR\\* \\_U\\_ \\`C\\`\n"
                         "    - TAB\tIN\n"
                         "  - BACK\\\\SLASH \\[L\\](X)\n"
                         "    - ZÜRICH € \\~\n"
                         "  - \\+ PLUS\n"
                         "  - C1\u0081X\n"));
        const QString small = saveTree("small.qmd", treeFromOutline("A&B\n  C\n    D\n  E\n"));
        QCOMPARE(run({"export", small, "--format", "opml"}).out,
                 QString(kHead) + "  <head>\n    <title>A&amp;B</title>\n  </head>\n  <body>\n"
                                  "    <outline text=\"A&amp;B\">\n"
                                  "      <outline text=\"C\">\n"
                                  "        <outline text=\"D\"/>\n"
                                  "      </outline>\n"
                                  "      <outline text=\"E\"/>\n"
                                  "    </outline>\n"
                                  "  </body>\n</opml>\n");
        QCOMPARE(run({"export", small}).out,
                 QString("QuillMar outline, version 1\nA&B\n  C\n    D\n  E\n"));
    }

    // The whole export is refused; nothing written, not even over a file --force replaces.
    void export_nameTheFormatCannotHold_refused_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, const char* format, const QByteArray& bad,
                            const char* message) {
            QTest::newRow(name) << format << bad << message;
        };
        row("control character in OPML", "opml", "A\001B",
            "cannot export \"TOP/MID/A\\x01B\" as OPML: its name holds a control character that "
            "XML cannot carry; nothing written");
        row("blank name in an outline file", "text", "   ",
            "cannot export \"TOP/MID/\" as an outline: its name is blank");
        row("carriage return in Markdown", "markdown", "A\rB",
            "cannot export \"TOP/MID/A\\x0DB\" as Markdown: its name holds a line break");
        row("blank name in OPML", "opml", "   ", "\"TOP/MID/\" as OPML: its name is blank");
    }
    void export_nameTheFormatCannotHold_refused() {
        QFETCH(QString, format);
        QFETCH(QByteArray, name);
        QFETCH(QString, message);
        NodeTable tree = treeFromOutline("TOP\n  MID\n    OK\n    BAD\n");
        tree[4].Name = makeName(name.toStdString());
        const QString file = saveTree("bad.qmd", std::move(tree)), out = path("bad.out");
        putFile(out, "older");
        for (const QStringList& to : {QStringList(), QStringList{"-o", out, "--force"}}) {
            const ToolRun r = run(QStringList{"export", file, "--format", format} + to);
            QCOMPARE(r.code, 2);
            QCOMPARE(r.out, QString());
            QVERIFY2(r.err.startsWith("qmtool: " + file + ": "), qPrintable(r.err));
            QVERIFY2(r.err.contains(message), qPrintable(r.err));
        }
        QCOMPARE(fileBytes(out), QByteArray("older"));
    }

    // Documents in the shapes other outliners write them, and outlines by content.
    void import_data() {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("dump");
        QTest::addColumn<QString>("warnings"); // %1 stands for the document's path
        const auto row = [](const char* name, const QByteArray& doc, const QString& dump,
                            const QStringList& options = {}, const QString& warnings = {}) {
            QTest::newRow(name) << doc << options << dump << warnings;
        };
        row("head, notes and attributes of other outliners",
            QByteArray(kHead) +
                "<!-- exported -->\n  <head>\n    <title>Projects</title>\n"
                "    <dateCreated>Mon, 01 Jan 2024 10:00:00 GMT</dateCreated>\n"
                "    <expansionState>0,2</expansionState>\n  </head>\n  <body>\n"
                "    <outline text=\"HOUSE\" _note=\"before winter\" created=\"2024-01-01\">\n"
                "      <outline text=\"ROOF\" _status=\"checked\"/>\n"
                "      <outline text=\"GARDEN\"></outline>\n    </outline>\n  </body>\n</opml>\n",
            "HOUSE\n  ROOF\n  GARDEN\n", {},
            "%1: warning: ignored what the tree does not keep: 2 elements (dateCreated, "
            "expansionState) and 3 attributes (_note, created, _status)\n");
        const QByteArray several =
            "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<opml "
            "version=\"1.0\"><head><title><![CDATA[R&D]]>"
            "</title></head><body>\n<outline text=\"  CAF&#201; &amp; CO  \"/>\n"
            "<outline text=\"B\"><outline text=\"B1\"/></outline></body></opml>";
        row("byte order mark; several top-level outlines under the title", several,
            "R&D\n  CAFÉ & CO\n  B\n    B1\n");
        row("--top before the title", several, "MINE\n  CAFÉ & CO\n  B\n    B1\n",
            {"--top", "MINE"});
        row("--top with one top-level outline", nested(1), "L0\n", {"--top", "MINE"},
            "%1: warning: the one top-level item is the top item; the top name given is not "
            "used\n");
        row("windows-1252 prolog",
            "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<opml><body>"
            "<outline text=\"Z\xDCRICH \x80\"/></body></opml>",
            "ZÜRICH €\n");
        row("entity of the document; an external one never fetched",
            "<?xml version=\"1.0\"?>\n<!DOCTYPE opml [<!ENTITY co \"Company\">"
            "<!ENTITY ext SYSTEM \"file:///etc/hostname\">]>\n<opml><body>"
            "<outline text=\"&co;\">&ext;</outline></body></opml>",
            "Company\n");
        const QByteArray utf16 = "<?xml version=\"1.0\" encoding=\"UTF-16\"?><opml><body>"
                                 "<outline text=\"\xC3\x84\"/></body></opml>";
        row("UTF-16, little-endian, no byte order mark",
            QByteArray(reinterpret_cast<const char*>(QString(utf16).utf16()), utf16.size() * 2 - 2),
            "Ä\n");
        QByteArray bigEndian; // without a declaration, which would claim little-endian
        for (const QChar c : QString(utf16).mid(utf16.indexOf("<opml")))
            bigEndian += QByteArray(1, char(c.unicode() >> 8)) + char(c.unicode() & 0xFF);
        row("UTF-16, big-endian, no byte order mark", bigEndian, "Ä\n");
        QByteArray many = "<opml><body>\n<outline text=\"A\"";
        for (int k = 1; k < 1000; ++k)
            many += " a" + QByteArray::number(k) + "=\"\"";
        row("1000 attributes, the most an element may have", many + "/></body></opml>", "A\n", {},
            "%1: warning: ignored what the tree does not keep: 999 attributes (a1, a2, a3, a4, "
            "a5, a6, ...)\n");
        row("--truncate: names cut, one warning each",
            "<opml><body>\n<outline text=\"ABCDEFGHIJKLMNOPQRSTUVWXYZ\">\n"
            "<outline text=\"0123456789012345678 9\"/>\n"
            "<outline text=\"SHORT\"/></outline></body></opml>",
            "ABCDEFGHIJKLMNOPQRST\n  0123456789012345678\n  SHORT\n", {"--truncate"},
            "%1:2: warning: name \"ABCDEFGHIJKLMNOPQRSTUVWXYZ\" cut to 20 characters: "
            "\"ABCDEFGHIJKLMNOPQRST\"\n"
            "%1:3: warning: name \"0123456789012345678 9\" cut to 20 characters: "
            "\"0123456789012345678\"\n");
        row("Markdown by content", "- TOP\r\n  - A\\*B\r\n    * 1\\. X\r\n",
            "TOP\n  A*B\n    1. X\n");
        row("a list read as an outline when told", "- A\n  - B\n", "- A\n  - B\n",
            {"--format", "text"});
        row("outline lines under --top", "A\nB\n  B1\n", "T\n  A\n  B\n    B1\n", {"--top", "T"});
        QString chain; // the deepest of 256 levels at level 255
        for (int k = 0; k < 256; ++k)
            chain += QString(2 * k, ' ') + 'L' + QString::number(k) + '\n';
        row("256 levels of outlines", nested(256), chain);
    }
    void import() {
        QFETCH(QByteArray, document);
        QFETCH(QStringList, options);
        const QString doc = path("in.doc"), file = path("in.qmd");
        putFile(doc, document);
        const ToolRun r = run(QStringList{"import", doc, file, "--force"} + options);
        QFETCH(QString, warnings);
        QCOMPARE(r.err, warnings.replace("%1", doc));
        QCOMPARE(r.code, 0);
        QTEST(run({"dump", file}).out, "dump");
        QCOMPARE(run({"check", file}).out, QString("signature: ok\n"));
    }

    // One line, with the place of the fault; no data file is written.
    void import_refused_data() {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, const QByteArray& doc, const QString& message,
                            const QStringList& options = {}) {
            QTest::newRow(name) << doc << options << message;
        };
        row("malformed", "<opml version=\"2.0\"><body>\n<outline text=\"A\">\n</body></opml>",
            ":3:7: Opening and ending tag mismatch.");
        row("text after the document", "<opml><body><outline text=\"A\"/></body></opml>junk",
            ":1:46: Extra content at end of document.");
        row("empty with --format opml", "", ":1: Premature end of document.", {"--format", "opml"});
        row("not OPML", "<?xml version=\"1.0\"?><html><body/></html>",
            ":1:27: not an OPML document: its root element is <html>");
        row("no body", "<opml><head/></opml>", ": the document has no body");
        row("empty body", "<opml><body>  </body></opml>", ": the body holds no outline");
        row("several top-level outlines and no title",
            "<opml><head/><body><outline text=\"A\"/>\n<outline text=\"B\"/></body></opml>",
            ":2: a second top-level item, and no name for a top item over them: the head has "
            "no title; use --top NAME");
        row("name over 20 characters", nested(2).replace("L1", "ABCDEFGHIJKLMNOPQRSTU"),
            ":3: name longer than 20 characters: \"ABCDEFGHIJKLMNOPQRSTU\"");
        row("character outside the code page, --truncate or not",
            "<opml><body>\n<outline text=\"A&#x263A;\"/></body></opml>",
            ":2: name has characters the data file cannot hold: \"A☺\"", {"--truncate"});
        row("outline without text", "<opml><body><outline title=\"A\"/></body></opml>",
            ":1:32: an outline element without a text attribute");
        row("blank text", "<opml><body><outline text=\"  \"/></body></opml>", ":1: empty name");
        row("external entity in a name",
            "<!DOCTYPE opml [<!ENTITY ext SYSTEM \"file:///etc/hostname\">]>\n"
            "<opml><body><outline text=\"&ext;\"/></body></opml>",
            ":2:32: Reference to external entity 'ext' in attribute value.");
        row("257 levels", nested(257), ":258: deeper than 255 levels");
        row("256 levels below a top item", nested(256, "<outline text=\"NEXT\"/>"),
            ":257: deeper than 255 levels below the top item", {"--top", "T"});
        row("Markdown line that is no list item", "- A\n  B\n", ":2: not a list item (\"- NAME\")",
            {"--format", "markdown"});
        row("unknown format", "A\n", "unknown format \"xml\"; use text, opml or markdown",
            {"--format", "xml"});
        const QByteArray external = "<?xml version=\"1.0\"?>\n<!DOCTYPE opml [<!ENTITY ext SYSTEM "
                                    "\"file:///etc/hostname\"><!ENTITY co \"A &ext;\">]>\n";
        for (const char* title : {"&ext;", "T &co;"})
            row(qPrintable(QString("external entity in the title: ") + title),
                external + "<opml><head><title>" + title +
                    "</title></head><body><outline text=\"A\"/></body></opml>",
                ":3:19: the head's title refers to the external entity \"ext\", which is never "
                "read");
        QByteArray crowded = "<opml><body>\n<outline text=\"A\"";
        for (int k = 1; k <= 1000; ++k)
            crowded += " a" + QByteArray::number(k) + "=\"\"";
        row("1001 attributes", crowded + "/></body></opml>",
            ":2: an element with more than 1000 attributes");
        row("unknown escape in an outline file", "QuillMar outline, version 1\nT\n  A\\qB\n",
            ":3: a backslash that starts no escape (\\\\ or \\xNN)");
    }
    void import_refused() {
        QFETCH(QByteArray, document);
        QFETCH(QStringList, options);
        QFETCH(QString, message);
        const QString doc = path("bad.doc"), file = path("refused.qmd");
        putFile(doc, document);
        const ToolRun r = run(QStringList{"import", doc, file} + options);
        QCOMPARE(r.code, 2);
        QCOMPARE(r.err.count('\n'), 1);
        QVERIFY2(r.err.contains(message + "\n"), qPrintable(r.err));
        QVERIFY(!QFile::exists(file));
    }
};

QTEST_GUILESS_MAIN(TestInterchange)
#include "test_interchange.moc"

// Other programs' outlines read into trees: documents in the shapes converters, outliners,
// feed readers and READMEs have, each against the tree it must give; and the Markdown
// writer's escapes read back by CommonMark, GFM and pandoc's Markdown.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QXmlStreamReader>
#include <QtTest>
#include <cmark.h>

#include "interchange/markdown_reader.h"
#include "interchange/outline_import.h"
#include "store/name_codec.h"
#include "support/tree_checker.h"

using namespace qm;
using namespace qm::test;

namespace {

// The outline a result gives, then its warnings as "! LINE:COLUMN text"; or its refusal.
QString described(const OutlineResult& r) {
    if (!r.ok)
        return QString("refused %1:%2 %3")
            .arg(r.errorLine)
            .arg(r.errorColumn)
            .arg(QString::fromStdString(r.error));
    QString out = QString::fromStdString(dumpOutline(r.table));
    for (const OutlineNotice& w : r.warnings)
        out +=
            QString("! %1:%2 %3\n").arg(w.line).arg(w.column).arg(QString::fromStdString(w.text));
    return out;
}

// Names that mean something to one Markdown reader or another, at most 20 characters.
// clang-format off
const QStringList kTrickyNames{
    "1. FIRST", "2) SECOND", "A) ALPHA", "(A) PAREN", "(@) EXAMPLE", "iv. ROMAN", "#. HASH",
    "# HEAD", "+ PLUS", "- DASH", "* STAR", "> QUOTE", "| LINE BLOCK", "$x$ MATH", "@cite KEY",
    "^sup^ x", "~sub~ x", "~~strike~~", "'single' \"dbl\"", "A -- B --- C", "A... B", "`code`",
    "*em* _em_", "[link](x)", "![img](x)", "<b>tag</b>", "&amp; &#32;", "A  B    C",
    "\tTAB LEAD", "TAB\tIN", "BACK\\SLASH\\", ":smile: x", "::: div", "[ ] task", "[x] done",
    "www.x.com", "a_b@c.org", "C1\u0081X", "NBSP\u00A0X", "\u0001CTRL", "VT END\u000B", "---",
    "***", "___", "= SETEXT", "1986. YEAR", "{.class}", "[^1] note", "\\", "ZÜRICH € ~",
    "x<y & y>z", "{=html}", "%PERCENT", "Mr. X", "I.  INTRO", "C++ & C#", "2*3*4 A_B_C",
    "<http://x.org>", "x^2 a~b", "1.5 -1 +1", "&#;", "a|b|c", "#", "'", "\"", "...", "-", "+",
    "_", "[X] y", "http://x.org/a_b",
};
// clang-format on

// TOP with a child of each name.
NodeTable flatTree(const QStringList& names) {
    std::string outline = "TOP\n";
    for (qsizetype i = 0; i < names.size(); ++i)
        outline += "  N" + std::to_string(i) + "\n";
    NodeTable table = treeFromOutline(outline);
    for (qsizetype i = 0; i < names.size(); ++i)
        table[std::int32_t(i) + 2].Name = makeName(*encodeChars(names[i].toStdU32String()));
    return table;
}

// What CommonMark reads as the names below TOP: the text of each item, and in angle
// brackets whatever markup it found instead of text.
QStringList commonMarkNames(const std::string& markdown) {
    cmark_node* doc = cmark_parse_document(markdown.data(), markdown.size(), CMARK_OPT_DEFAULT);
    QStringList names;
    cmark_node* top = cmark_node_first_child(cmark_node_first_child(doc));
    cmark_node* list = top ? cmark_node_last_child(top) : nullptr;
    for (cmark_node* item = list ? cmark_node_first_child(list) : nullptr; item;
         item = cmark_node_next(item)) {
        QString text;
        for (cmark_node* block = cmark_node_first_child(item); block;
             block = cmark_node_next(block)) {
            if (cmark_node_get_type(block) != CMARK_NODE_PARAGRAPH ||
                block != cmark_node_first_child(item))
                text += QString("<%1>").arg(cmark_node_get_type_string(block));
            for (cmark_node* in = cmark_node_first_child(block); in; in = cmark_node_next(in))
                text += cmark_node_get_type(in) == CMARK_NODE_TEXT
                            ? QString::fromUtf8(cmark_node_get_literal(in))
                            : QString("<%1>").arg(cmark_node_get_type_string(in));
        }
        names << text;
    }
    cmark_node_free(doc);
    return names;
}

// Runs a reader installed on this machine on the document; empty when it is not there.
QByteArray runReader(const QString& program, const QStringList& args, const std::string& input) {
    if (QStandardPaths::findExecutable(program).isEmpty())
        return {};
    QProcess p;
    p.start(program, args);
    p.write(input.data(), qint64(input.size()));
    p.closeWriteChannel();
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        qFatal("%s failed: %s", qPrintable(program), p.readAllStandardError().constData());
    return p.readAllStandardOutput();
}

// The same from cmark-gfm's XML with GitHub's extensions: text of <text> elements; other
// inline markup (but autolinks, whose text is the name's) and task items in angle brackets.
QStringList gfmNames(QByteArray xml) {
    // The control characters of names are not XML's: read them as private characters.
    for (char c = 1; c < 0x20; ++c)
        if (c != '\t' && c != '\n' && c != '\r')
            xml.replace(QByteArray(1, c), QString(QChar(0xE000 + c)).toUtf8());
    QXmlStreamReader r(xml);
    QStringList names;
    int items = 0; // items open
    while (!r.atEnd()) {
        r.readNext();
        const QString tag = r.name().toString();
        if (r.isEndElement() && (tag == "item" || tag == "tasklist"))
            --items;
        if (!r.isStartElement())
            continue;
        if (tag == "item" || tag == "tasklist") {
            if (++items == 2)
                names << (tag == "item" ? "" : "<tasklist>");
        } else if (items == 2 && tag == "text") {
            for (const QChar c : r.readElementText())
                names.last() +=
                    c.unicode() > 0xE000 && c.unicode() < 0xE020 ? QChar(c.unicode() - 0xE000) : c;
        } else if (items == 2 && tag != "paragraph" && tag != "link") {
            names.last() += "<" + tag + ">";
        }
    }
    return names;
}

QString pandocText(const QJsonArray& inlines) {
    QString text;
    for (const QJsonValue& v : inlines) {
        const QString t = v["t"].toString();
        text += t == "Str" ? v["c"].toString() : t == "Space" ? " " : "<" + t + ">";
    }
    return text;
}

// The same from pandoc's JSON: the blocks of each item below TOP, in angle brackets all but
// one Plain.
QStringList pandocNames(const QByteArray& json) {
    QStringList names;
    const QJsonArray blocks = QJsonDocument::fromJson(json)["blocks"].toArray();
    const QJsonArray top = blocks[0]["c"][0].toArray();
    for (const QJsonValue item : top[1]["c"].toArray()) {
        QString text;
        for (const QJsonValue block : item.toArray())
            text += block["t"] == "Plain" && text.isEmpty() ? pandocText(block["c"].toArray())
                                                            : "<" + block["t"].toString() + ">";
        names << text;
    }
    return names;
}

} // namespace

class TestOutlineImport : public QObject {
    Q_OBJECT

    static OutlineResult read(const QByteArray& doc, bool strict = false,
                              std::optional<OutlineFormat> format = {}) {
        ImportRequest request;
        request.format = format;
        request.strict = strict;
        request.fallbackTop = U"FILE";
        return importOutline(doc.toStdString(), request).result;
    }

private slots:
    // Markdown as converters, editors and READMEs write it, feed readers' subscription lists
    // and outliners' documents: read leniently, the OPML recognised by its content.
    void documents_data() {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<int>("format"); // -1: by content
        QTest::addColumn<QString>("tree");
        const auto row = [](const char* name, const QByteArray& doc, const QString& tree,
                            int format = int(OutlineFormat::Markdown)) {
            QTest::newRow(name) << doc << format << tree;
        };
        row("converter output: 4-space indents, several tops under the file's name",
            "-   Fruit\n    -   Apple\n    -   Kiwi\n-   Vegetables\n    -   Bean\n"
            "        -   Green\n",
            "FILE\n  Fruit\n    Apple\n    Kiwi\n  Vegetables\n    Bean\n      Green\n");
        row("loose list, tabs, every marker",
            "* Top\n\n    1. First\n\n    2) Second\n\n\t+ Tabbed\n\n\t\t- Deeper\n",
            "Top\n  First\n  Second\n  Tabbed\n    Deeper\n");
        row("README: headings as levels, lists below them, inline markup as text",
            "# QuillMar Notes\n\nWhat it is, in *a few* words.\n\n## Install\n"
            "1. Get **the** `source`\n2. Run [make](http://x.org) ![logo](l.png)\n\n"
            "#### Debian\n- apt-get <b>install</b>\n\n## Use\nSetext Heading\n--------------\n"
            "- Alpha\n\n```\ncode\n```\n> quoted\n",
            "QuillMar Notes\n  Install\n    Get the source\n    Run make logo\n    Debian\n"
            "      apt-get install\n  Use\n  Setext Heading\n    Alpha\n"
            "! 3:1 skipped 3 paragraphs or other blocks of text that name no item; the first "
            "starts here\n");
        row("several tops under the first heading", "- loose item\n\n# Heading\n- under it\n",
            "Heading\n  loose item\n  Heading\n    under it\n");
        row("task boxes dropped, escaped brackets kept",
            "- [ ] open task\n- [x] done task\n- \\[ \\] not a task\n- A &amp; B \\* C\n",
            "FILE\n  open task\n  done task\n  [ ] not a task\n  A & B * C\n");
        row("empty and long names, equal siblings numbered",
            "- Parent\n  - First\n  -\n  - A very long name that goes on\n  - A very long "
            "name that goes further\n  - A very long name t 2\n  - - Nested first\n",
            "Parent\n  First\n  -\n  A very long name tha\n  A very long name t 2\n"
            "  A very long name t 3\n  - 2\n    Nested first\n"
            "! 3:3 empty name: named \"-\"\n"
            "! 4:3 name \"A very long name that goes on\" cut to 20 characters: \"A very long "
            "name tha\"\n"
            "! 5:3 name \"A very long name that goes further\" cut to 20 characters: \"A very "
            "long name tha\"\n"
            "! 5:3 name \"A very long name tha\" is a sibling's already: named \"A very long name "
            "t 2\"\n"
            "! 6:3 name \"A very long name t 2\" is a sibling's already: named \"A very long "
            "name t 3\"\n"
            "! 7:3 empty name: named \"-\"\n"
            "! 7:3 name \"-\" is a sibling's already: named \"- 2\"\n");
        row("equal names apart: only siblings numbered, names kept once their list ends",
            "- P\n  - A\n    - A\n    - A\n  - A\n- Q\n  - A\n  - B\n  - C\n  - D\n  - E\n"
            "  - F\n  - G\n  - H\n  - I\n  - A\n",
            "FILE\n  P\n    A\n      A\n      A 2\n    A 2\n  Q\n    A\n    B\n    C\n    D\n"
            "    E\n    F\n    G\n    H\n    I\n    A 2\n"
            "! 4:5 name \"A\" is a sibling's already: named \"A 2\"\n"
            "! 5:3 name \"A\" is a sibling's already: named \"A 2\"\n"
            "! 16:3 name \"A\" is a sibling's already: named \"A 2\"\n");
        row("other scripts in Latin letters, what has none left out",
            "- St\xC3\xA4"
            "dte\n  - \xE5\x8C\x97\xE4\xBA\xAC\n"
            "  - \xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0 \xF0\x9F\x8E\x89\n"
            "  - \xF0\x9F\x8E\x89\n  - Zu\xCC\x88rich\n",
            "Städte\n  bei jing\n  Moskva\n  -\n  Zürich\n"
            "! 2:3 name \"北京\" has characters the data file cannot hold: written \"bei jing\"\n"
            "! 3:3 name \"Москва 🎉\" has characters the data file cannot hold: written "
            "\"Moskva\"\n"
            "! 4:3 name \"🎉\" has characters the data file cannot hold: written \"-\"\n"
            "! 5:3 name \"Zu\u0308rich\" has characters the data file cannot hold: written "
            "\"Zürich\"\n");
        row("not UTF-8: read as Windows-1252", "- Z\xDCrich \x80\n",
            "ZÜrich €\n! 1:4 not valid UTF-8: read as Windows-1252\n");
        row("nothing that names an item", "Just a paragraph.\n\n---\n",
            "refused 1:0 the document holds no list item or heading");
        row("subscription list: empty and non-Latin titles",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<opml version=\"1.0\">"
            "<head><title>Subscriptions</title></head><body>\n"
            "<outline text=\"\" title=\"\" type=\"rss\" xmlUrl=\"http://a/f\"/>\n"
            "<outline text=\"新闻\" type=\"rss\" xmlUrl=\"http://b/f\"/>\n"
            "<outline text=\"Ελληνικά\" type=\"rss\" xmlUrl=\"http://c/f\"/>\n"
            "</body></opml>\n",
            "Subscriptions\n  -\n  xin wen\n  Ellenika\n"
            "! 0:0 ignored what the tree does not keep: 7 attributes (title, type, xmlUrl)\n"
            "! 3:58 empty name: named \"-\"\n"
            "! 4:51 name \"新闻\" has characters the data file cannot hold: written \"xin wen\"\n"
            "! 5:57 name \"Ελληνικά\" has characters the data file cannot hold: written "
            "\"Ellenika\"\n",
            -1);
        row("outliner: empty texts and a missing one, equal siblings",
            "<opml version=\"2.0\"><body><outline text=\"Project\">\n"
            "<outline text=\"\"/>\n<outline><outline text=\"A\"/>\n"
            "<outline text=\"A\"/></outline></outline></body></opml>",
            "Project\n  -\n  - 2\n    A\n    A 2\n"
            "! 2:18 empty name: named \"-\"\n"
            "! 3:9 empty name: named \"-\"\n"
            "! 3:9 name \"-\" is a sibling's already: named \"- 2\"\n"
            "! 4:19 name \"A\" is a sibling's already: named \"A 2\"\n",
            -1);
        row("no title over several tops: the file's name",
            "<opml><body><outline text=\"A\"/><outline text=\"B\"/></body></opml>",
            "FILE\n  A\n  B\n", -1);
    }
    void documents() {
        QFETCH(QByteArray, document);
        QFETCH(int, format);
        const OutlineResult r =
            read(document, false,
                 format < 0 ? std::nullopt : std::optional(static_cast<OutlineFormat>(format)));
        QTEST(described(r), "tree");
        if (r.ok)
            QM_VERIFY_TREE(r.table);
    }

    // Every tricky name written to Markdown reads back as it is, in CommonMark, in the
    // reader here, and in GitHub's and pandoc's readers where they are installed.
    void markdownEscapes_readBackExactly() {
        const NodeTable tree = flatTree(kTrickyNames);
        const OutlineExport md = exportOutline(tree, 1, OutlineFormat::Markdown);
        QVERIFY(md.ok);
        QCOMPARE(commonMarkNames(md.text), kTrickyNames);
        const OutlineResult back =
            read(QByteArray::fromStdString(md.text), true, OutlineFormat::Markdown);
        QVERIFY(back.ok);
        QCOMPARE(back.warnings.size(), 0u);
        QVERIFY(back.table.records() == tree.records());

        const QByteArray gfm = runReader("cmark-gfm",
                                         {"-t", "xml", "-e", "table", "-e", "strikethrough", "-e",
                                          "autolink", "-e", "tagfilter", "-e", "tasklist"},
                                         md.text);
        if (!gfm.isEmpty())
            QCOMPARE(gfmNames(gfm), kTrickyNames);
        const QByteArray pandoc = runReader("pandoc", {"-f", "markdown", "-t", "json"}, md.text);
        if (!pandoc.isEmpty())
            QCOMPARE(pandocNames(pandoc), kTrickyNames);
        if (gfm.isEmpty() || pandoc.isEmpty())
            QSKIP("cmark-gfm or pandoc is not installed: read back by CommonMark alone");
    }

    void formatByContent_data() {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<int>("format");
        const auto row = [](const char* name, const QByteArray& doc, OutlineFormat f) {
            QTest::newRow(name) << doc << int(f);
        };
        row("XML", "\xEF\xBB\xBF  <?xml version=\"1.0\"?><opml/>", OutlineFormat::Opml);
        row("UTF-16", QByteArray("\xFF\xFE<\0o\0", 6), OutlineFormat::Opml);
        row("outline file, names like list items", "QuillMar outline, version 1\n- A\n  # B\n",
            OutlineFormat::TextFile);
        row("list", "- A\n  - B\n", OutlineFormat::Markdown);
        row("numbered list", "1) A\n", OutlineFormat::Markdown);
        row("heading first", "# Notes\nA\n", OutlineFormat::Markdown);
        row("paragraph before a list", "Intro\n\n- A\n", OutlineFormat::Markdown);
        row("outline with a blank line", "T\n  A\n\n  B\n", OutlineFormat::Text);
        row("outline", "TOP\n  A\n  -B\n", OutlineFormat::Text);
        row("outline and trailing blank lines", "TOP\n  #TAG\n\n\n", OutlineFormat::Text);
    }
    void formatByContent() {
        QFETCH(QByteArray, document);
        QTEST(int(outlineFormatOf(document.toStdString())), "format");
    }
};

QTEST_GUILESS_MAIN(TestOutlineImport)
#include "test_outline_import.moc"

#include "settings/ini_file.h"

#include <QFile>
#include <cerrno>
#include <sys/stat.h>
#include <utility>

#include "store/safe_file.h"

namespace qm {

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Only ASCII letters fold: the names are UTF-8, and folding other bytes could match two
// different characters.
bool sameName(QByteArrayView a, QByteArrayView b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

QByteArrayView trimmed(QByteArrayView s) {
    qsizetype from = 0;
    qsizetype to = s.size();
    while (from < to && isBlank(s[from]))
        ++from;
    while (to > from && isBlank(s[to - 1]))
        --to;
    return s.sliced(from, to - from);
}

QByteArrayView body(const QByteArray& text, bool firstLine) {
    QByteArrayView v(text);
    if (firstLine && v.startsWith(kBom))
        v = v.sliced(kBom.size());
    return v;
}

// "[name]" with the name taken whole up to the last bracket, so padded names keep their spaces.
bool sectionOf(QByteArrayView line, QByteArrayView& name) {
    qsizetype from = 0;
    while (from < line.size() && isBlank(line[from]))
        ++from;
    if (from == line.size() || line[from] != '[')
        return false;
    const qsizetype close = line.lastIndexOf(']');
    if (close <= from)
        return false;
    name = line.sliced(from + 1, close - from - 1);
    return true;
}

bool keyOf(QByteArrayView line, QByteArrayView& key, qsizetype& valueAt) {
    const QByteArrayView t = trimmed(line);
    if (t.isEmpty() || t[0] == ';' || t[0] == '#')
        return false;
    const qsizetype eq = line.indexOf('=');
    if (eq < 0)
        return false;
    key = trimmed(line.first(eq));
    valueAt = eq + 1;
    return true;
}

bool quoted(QByteArrayView v) {
    return v.size() >= 2 && v.front() == '"' && v.back() == '"';
}

// Spaces around a value are the file's layout ("Name1 = /a.qmd"), not the value's.
QString decodeValue(QByteArrayView stored) {
    QByteArrayView v = trimmed(stored);
    if (quoted(v))
        v = v.sliced(1, v.size() - 2);
    return QString::fromUtf8(v);
}

QByteArray oneLine(QString text) {
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text.toUtf8();
}

// Quotes keep what decodeValue would take away. A leading space is left bare: numbers are
// written with one, and it reads back as the same number.
QByteArray encodeValue(const QString& value) {
    const QByteArray v = oneLine(value);
    if (!v.isEmpty() && (isBlank(v.back()) || quoted(v)))
        return '"' + v + '"';
    return v;
}

std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString reason(const std::string& why) {
    return QString::fromLocal8Bit(why.c_str());
}

const QString kTooLarge = QStringLiteral("it is larger than 1 MiB");

enum class ReadOutcome { Read, Missing, Refused };

// Only a regular file of a sane size is read, and nothing is opened that opening could
// disturb (a device, a pipe waiting for a writer).
ReadOutcome readSettingsBytes(const std::string& path, std::string& bytes, QString& why) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return ReadOutcome::Missing;
        why = reason(errnoText(errno));
        return ReadOutcome::Refused;
    }
    if (!S_ISREG(st.st_mode)) {
        why = reason(notRegularReason(st.st_mode));
        return ReadOutcome::Refused;
    }
    if (st.st_size > IniFile::kMaxFileSize) {
        why = kTooLarge;
        return ReadOutcome::Refused;
    }
    // Checked again on what is opened: the name may have been replaced in between.
    std::string error;
    const FileDescriptor fd(openRegular(path, error));
    bytes.clear();
    if (fd.get() < 0 || !readUpTo(fd.get(), IniFile::kMaxFileSize + 1, bytes, error)) {
        why = reason(error);
        return ReadOutcome::Refused;
    }
    if (qint64(bytes.size()) > IniFile::kMaxFileSize) { // it grew since the stat
        why = kTooLarge;
        return ReadOutcome::Refused;
    }
    return ReadOutcome::Read;
}

// A link to the settings file is the user's way of keeping it elsewhere: the file it leads
// to is the one replaced, and the link stays.
std::string writeTarget(const std::string& path) {
    return resolveLink(path).value_or(path);
}

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

bool IniFile::lookup(const std::vector<Line>& lines, const QByteArray& section,
                     const QByteArray& key, QByteArray& value) {
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const QByteArrayView line = body(lines[i].text, i == 0);
        QByteArrayView name;
        if (sectionOf(line, name)) {
            inSection = sameName(name, section);
            continue;
        }
        QByteArrayView k;
        qsizetype valueAt = 0;
        if (inSection && keyOf(line, k, valueAt) && sameName(k, key)) {
            value = line.sliced(valueAt).toByteArray();
            return true;
        }
    }
    return false;
}

void IniFile::store(std::vector<Line>& lines, const QByteArray& section, const QByteArray& key,
                    const QByteArray& value) {
    const QByteArray newLineEnd =
        (!lines.empty() && !lines.front().end.isEmpty()) ? lines.front().end : QByteArray("\n");
    bool inSection = false;
    bool inFirstSection = false;
    std::ptrdiff_t appendAfter = -1; // last non-blank line of the first matching section
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const bool first = i == 0;
        const QByteArrayView line = body(lines[i].text, first);
        QByteArrayView name;
        if (sectionOf(line, name)) {
            inSection = sameName(name, section);
            inFirstSection = inSection && appendAfter < 0;
            if (inFirstSection)
                appendAfter = std::ptrdiff_t(i);
            continue;
        }
        QByteArrayView k;
        qsizetype valueAt = 0;
        if (inSection && keyOf(line, k, valueAt) && sameName(k, key)) {
            const qsizetype prefix = lines[i].text.size() - line.size() + valueAt;
            lines[i].text = lines[i].text.first(prefix) + value;
            return;
        }
        if (inFirstSection && !trimmed(line).isEmpty())
            appendAfter = std::ptrdiff_t(i);
    }
    const auto insertAt = [&](std::size_t at, QByteArray text) {
        if (at > 0 && lines[at - 1].end.isEmpty())
            lines[at - 1].end = newLineEnd;
        lines.insert(lines.begin() + std::ptrdiff_t(at), Line{std::move(text), newLineEnd});
    };
    if (appendAfter >= 0) {
        insertAt(std::size_t(appendAfter) + 1, key + '=' + value);
        return;
    }
    insertAt(lines.size(), '[' + section + ']');
    insertAt(lines.size(), key + '=' + value);
}

bool IniFile::load(std::vector<Line>& lines, QString& error) const {
    lines.clear();
    if (!m_refusal.isEmpty()) {
        error = m_refusal;
        return false;
    }
    std::string bytes;
    const ReadOutcome outcome = readSettingsBytes(localPath(m_path), bytes, error);
    if (outcome == ReadOutcome::Refused) {
        m_refusal = error;
        return false;
    }
    std::size_t from = 0;
    while (from < bytes.size()) {
        std::size_t nl = bytes.find('\n', from);
        Line line;
        if (nl == std::string::npos) {
            line.text = QByteArray(bytes.data() + from, qsizetype(bytes.size() - from));
            from = bytes.size();
        } else {
            std::size_t textEnd = nl;
            if (textEnd > from && bytes[textEnd - 1] == '\r')
                --textEnd;
            line.text = QByteArray(bytes.data() + from, qsizetype(textEnd - from));
            line.end = QByteArray(bytes.data() + textEnd, qsizetype(nl + 1 - textEnd));
            from = nl + 1;
        }
        lines.push_back(std::move(line));
    }
    return true;
}

const std::vector<IniFile::Line>& IniFile::cached() const {
    if (!m_cacheLoaded) {
        QString ignored; // kept in m_refusal
        load(m_cache, ignored);
        m_cacheLoaded = true;
    }
    return m_cache;
}

const QString& IniFile::refusal() const {
    cached();
    return m_refusal;
}

bool IniFile::save(const std::vector<Line>& lines) {
    qint64 size = 0;
    for (const Line& line : lines)
        size += line.text.size() + line.end.size();
    if (size > kMaxFileSize) {
        m_error = QStringLiteral("the settings would be larger than 1 MiB");
        return false;
    }
    const std::string target = writeTarget(localPath(m_path));
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        m_error = reason(notRegularReason(st.st_mode));
        return false;
    }
    std::string why;
    const bool ok = writeFileSafely(
        target,
        [&lines](const ByteSink& sink) {
            for (const Line& line : lines) {
                if (!sink(line.text.constData(), std::size_t(line.text.size())) ||
                    !sink(line.end.constData(), std::size_t(line.end.size())))
                    return false;
            }
            return true;
        },
        why);
    if (!ok) {
        m_error = QString::fromStdString(why);
        return false;
    }
    m_cache = lines;
    m_cacheLoaded = true;
    return true;
}

QString IniFile::read(const QString& section, const QString& key,
                      const QString& defaultValue) const {
    const std::vector<Line>& lines = m_batchDepth > 0 && m_batchLoaded ? m_batchLines : cached();
    QByteArray value;
    if (!lookup(lines, oneLine(section), key.toUtf8(), value))
        return defaultValue;
    return decodeValue(value);
}

bool IniFile::write(const QString& section, const QString& key, const QString& value) {
    const QByteArray k = key.toUtf8();
    const QByteArrayView kt = trimmed(k);
    if (k.isEmpty() || kt.size() != k.size() || k.contains('=') || k.contains('\r') ||
        k.contains('\n') || k.startsWith('[') || k.startsWith(';') || k.startsWith('#')) {
        m_error = QStringLiteral("the key \"%1\" cannot be stored").arg(key);
        return false;
    }
    if (m_batchDepth > 0) {
        if (!m_batchLoaded) {
            m_error = m_batchLoadError;
            return false;
        }
        store(m_batchLines, oneLine(section), k, encodeValue(value));
        m_batchDirty = true;
        return true;
    }
    std::vector<Line> lines;
    if (!load(lines, m_error))
        return false;
    store(lines, oneLine(section), k, encodeValue(value));
    return save(lines);
}

void IniFile::beginBatch() {
    if (m_batchDepth++ > 0)
        return;
    m_batchLoadError.clear();
    m_batchLoaded = load(m_batchLines, m_batchLoadError);
    m_batchDirty = false;
}

bool IniFile::endBatch() {
    if (--m_batchDepth > 0)
        return true;
    bool ok = true;
    if (!m_batchLoaded) {
        m_error = m_batchLoadError;
        ok = false;
    } else if (m_batchDirty) {
        ok = save(m_batchLines);
    }
    m_batchLines.clear();
    m_batchLoaded = false;
    m_batchDirty = false;
    return ok;
}

IniFile::Batch::Batch(IniFile& file) : m_file(file) {
    m_file.beginBatch();
}

IniFile::Batch::~Batch() {
    if (!m_done)
        m_file.endBatch();
}

bool IniFile::Batch::commit() {
    if (m_done)
        return true;
    m_done = true;
    return m_file.endBatch();
}

} // namespace qm

#pragma once
// A small INI file of `[Section]` lines followed by `key=value` lines. It is read once, on the
// first look-up; every write reads the file afresh and rewrites it whole, so keys another
// program wrote in between survive. Everything the program does not touch (other keys,
// comments, odd lines) is kept byte for byte, so a hand-edited file survives the writes.

#include <QByteArray>
#include <QString>
#include <vector>

namespace qm {

class IniFile {
public:
    /// A settings file is a few kilobytes; anything past this is not one.
    static constexpr qint64 kMaxFileSize = qint64(1) << 20;

    explicit IniFile(QString path);

    const QString& path() const { return m_path; }

    /// Why the file at the path cannot be the settings file (it is not a regular file, it is
    /// too large, it cannot be read), found on the first look-up; empty when it can (a
    /// missing file can). A refused file is never read again nor written.
    const QString& refusal() const;

    /// The value stored under section and key (both matched without regard to ASCII case, the
    /// section's name in full, spaces included), without the spaces around it and without
    /// one pair of double quotes around it; `defaultValue` when the file, section or key is
    /// missing or the file is refused.
    QString read(const QString& section, const QString& key,
                 const QString& defaultValue = QString()) const;

    /// Stores the value, each CR and each LF turned into a space so it stays on one line, in
    /// double quotes when reading would otherwise lose its end. Creates file, section and key
    /// as needed. Outside a batch the file is rewritten at once; inside one the write is held
    /// until the outermost batch commits. False (with errorString()) when the file could not
    /// be read or written or the names are unusable.
    bool write(const QString& section, const QString& key, const QString& value);

    /// Why the last failing write or commit failed, in a few words without the path.
    const QString& errorString() const { return m_error; }

    /// Groups many writes into one rewrite of the file. Commit explicitly to learn whether it
    /// worked; a batch that goes out of scope uncommitted commits then (errorString() keeps
    /// the outcome).
    class Batch {
    public:
        explicit Batch(IniFile& file);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        bool commit();

    private:
        IniFile& m_file;
        bool m_done = false;
    };

private:
    struct Line {
        QByteArray text; // without its line end
        QByteArray end;  // "\n", "\r\n" or empty for a last line without one
    };

    static bool lookup(const std::vector<Line>& lines, const QByteArray& section,
                       const QByteArray& key, QByteArray& value);
    static void store(std::vector<Line>& lines, const QByteArray& section, const QByteArray& key,
                      const QByteArray& value);
    bool load(std::vector<Line>& lines, QString& error) const;
    const std::vector<Line>& cached() const;
    bool save(const std::vector<Line>& lines);
    void beginBatch();
    bool endBatch();

    QString m_path;
    QString m_error;
    mutable bool m_cacheLoaded = false;
    mutable std::vector<Line> m_cache; // the file as last read or written
    mutable QString m_refusal;
    int m_batchDepth = 0;
    bool m_batchLoaded = false;
    bool m_batchDirty = false;
    QString m_batchLoadError;
    std::vector<Line> m_batchLines;
};

} // namespace qm

#pragma once
// Where a printout goes: the printer itself, or a PDF file that replaces the old one only
// once it is complete. Either way the pages are drawn through a page surface in twips.

#include <QPageLayout>
#include <QString>
#include <memory>

class QPrinter;

namespace qm {

class PageSurface;

class PrintTarget {
public:
    /// The printer as the print dialog left it, drawn on from the corner of the sheet.
    static std::unique_ptr<PrintTarget> printer(QPrinter& printer);
    /// A PDF file at `path` with the given paper and orientation.
    static std::unique_ptr<PrintTarget> pdfFile(const QString& path, const QPageLayout& layout);
    /// A PDF document in memory, for a caller that writes it out itself.
    static std::unique_ptr<PrintTarget> pdfBytes(QByteArray& bytes, const QPageLayout& layout);

    virtual ~PrintTarget();

    /// Opens the document; false when the printer or file refused (see errorString()).
    virtual bool begin(const QString& title) = 0;
    /// The first sheet, after begin().
    virtual PageSurface& surface() = 0;
    /// Sends the pages or puts the file in place; false when that failed.
    virtual bool finish() = 0;
    /// Gives up: nothing more is sent and an unfinished file is thrown away.
    virtual void abandon() = 0;

    /// The printer's name or the file's path, for messages.
    virtual QString name() const = 0;
    QString errorString() const { return m_error; }

protected:
    QString m_error;
};

/// The whole sheet of a page layout in twips.
QSizeF sheetTwips(const QPageLayout& layout);

} // namespace qm

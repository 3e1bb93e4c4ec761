#include "print/print_target.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>

#include "print/painter_surface.h"
#include "print/print_queue.h"

namespace qm {

namespace {

const QString kNoStart = QStringLiteral("the document could not be started");
const QString kNoNewPage = QStringLiteral("a new page could not be started");
const QString kNoFinish = QStringLiteral("the document could not be finished");

// Shared by both: a painter on a paged device and the surface over it.
class PagedTarget : public PrintTarget {
public:
    PageSurface& surface() override { return *m_surface; }

protected:
    bool start(QPagedPaintDevice& device, double resolution, const QPageLayout& layout) {
        if (!m_painter.begin(&device)) {
            m_error = kNoStart;
            return false;
        }
        m_surface = std::make_unique<PainterSurface>(m_painter, resolution, sheetTwips(layout),
                                                     [this, &device] { return newSheet(device); });
        return true;
    }
    bool newSheet(QPagedPaintDevice& device) {
        if (device.newPage())
            return true;
        m_error = kNoNewPage;
        return false;
    }
    bool end() {
        m_surface.reset();
        if (m_painter.isActive() && !m_painter.end()) {
            m_error = kNoFinish;
            return false;
        }
        return true;
    }

    QPainter m_painter;
    std::unique_ptr<PainterSurface> m_surface;
};

class PrinterTarget : public PagedTarget {
public:
    explicit PrinterTarget(QPrinter& printer) : m_printer(printer) {}
    ~PrinterTarget() override { abandon(); }

    bool begin(const QString& title) override {
        // Nothing is sent to a queue that would hold it or throw it away.
        m_error = printQueueProblem(m_printer.printerName());
        if (!m_error.isEmpty())
            return false;
        m_printer.setFullPage(true);
        m_printer.setDocName(title);
        return start(m_printer, m_printer.resolution(), m_printer.pageLayout());
    }
    bool finish() override {
        if (!end())
            return false;
        m_error = printJobRefusal();
        return m_error.isEmpty();
    }
    void abandon() override {
        if (m_painter.isActive()) {
            m_printer.abort();
            end();
        }
    }
    QString name() const override { return m_printer.printerName(); }

private:
    QPrinter& m_printer;
};

// A PDF document written to a device of its own.
class PdfTarget : public PagedTarget {
public:
    PdfTarget(std::unique_ptr<QIODevice> device, const QPageLayout& layout)
        : m_device(std::move(device)), m_layout(layout) {
        // Drawn from the corner of the sheet, as on the printer.
        m_layout.setMode(QPageLayout::FullPageMode);
    }

    bool begin(const QString& title) override {
        if (!m_device->open(QIODevice::WriteOnly)) {
            m_error = m_device->errorString();
            return false;
        }
        m_writer = std::make_unique<QPdfWriter>(m_device.get());
        m_writer->setPageLayout(m_layout);
        m_writer->setTitle(title);
        m_writer->setCreator(QStringLiteral("QuillMar"));
        return start(*m_writer, m_writer->resolution(), m_layout);
    }

protected:
    QIODevice& device() { return *m_device; }

private:
    std::unique_ptr<QIODevice> m_device; // outlives the writer
    QPageLayout m_layout;
    std::unique_ptr<QPdfWriter> m_writer;
};

class PdfFileTarget : public PdfTarget {
public:
    PdfFileTarget(const QString& path, const QPageLayout& layout)
        : PdfTarget(std::make_unique<QSaveFile>(path), layout), m_path(path) {}
    ~PdfFileTarget() override { abandon(); }

    bool finish() override {
        if (!end())
            return false;
        if (!file().commit()) {
            m_error = file().errorString();
            return false;
        }
        return true;
    }
    void abandon() override {
        end();
        file().cancelWriting();
    }
    QString name() const override { return m_path; }

private:
    QSaveFile& file() { return static_cast<QSaveFile&>(device()); }
    QString m_path;
};

class PdfBytesTarget : public PdfTarget {
public:
    PdfBytesTarget(QByteArray& bytes, const QPageLayout& layout)
        : PdfTarget(std::make_unique<QBuffer>(&bytes), layout), m_bytes(bytes) {}
    ~PdfBytesTarget() override { abandon(); }

    bool finish() override { return end(); }
    void abandon() override {
        if (m_painter.isActive()) {
            end();
            m_bytes.clear();
        }
    }
    QString name() const override { return QString(); }

private:
    QByteArray& m_bytes;
};

} // namespace

PrintTarget::~PrintTarget() = default;

std::unique_ptr<PrintTarget> PrintTarget::printer(QPrinter& printer) {
    return std::make_unique<PrinterTarget>(printer);
}

std::unique_ptr<PrintTarget> PrintTarget::pdfFile(const QString& path, const QPageLayout& layout) {
    return std::make_unique<PdfFileTarget>(path, layout);
}

std::unique_ptr<PrintTarget> PrintTarget::pdfBytes(QByteArray& bytes, const QPageLayout& layout) {
    return std::make_unique<PdfBytesTarget>(bytes, layout);
}

QSizeF sheetTwips(const QPageLayout& layout) {
    // Whole points, as the page sizes are defined: A4 is 11900 by 16840 twips.
    const QRect points = layout.fullRectPoints();
    return {points.width() * 20.0, points.height() * 20.0};
}

} // namespace qm

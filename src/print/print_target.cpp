#include "print/print_target.h"

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

class PdfTarget : public PagedTarget {
public:
    PdfTarget(const QString& path, const QPageLayout& layout) : m_file(path), m_layout(layout) {
        // Drawn from the corner of the sheet, as on the printer.
        m_layout.setMode(QPageLayout::FullPageMode);
    }
    ~PdfTarget() override { abandon(); }

    bool begin(const QString& title) override {
        if (!m_file.open(QIODevice::WriteOnly)) {
            m_error = m_file.errorString();
            return false;
        }
        m_writer = std::make_unique<QPdfWriter>(&m_file);
        m_writer->setPageLayout(m_layout);
        m_writer->setTitle(title);
        m_writer->setCreator(QStringLiteral("QuillMar"));
        return start(*m_writer, m_writer->resolution(), m_layout);
    }
    bool finish() override {
        if (!end())
            return false;
        if (!m_file.commit()) {
            m_error = m_file.errorString();
            return false;
        }
        return true;
    }
    void abandon() override {
        end();
        m_file.cancelWriting();
    }
    QString name() const override { return m_file.fileName(); }

private:
    QSaveFile m_file;
    QPageLayout m_layout;
    std::unique_ptr<QPdfWriter> m_writer;
};

} // namespace

PrintTarget::~PrintTarget() = default;

std::unique_ptr<PrintTarget> PrintTarget::printer(QPrinter& printer) {
    return std::make_unique<PrinterTarget>(printer);
}

std::unique_ptr<PrintTarget> PrintTarget::pdfFile(const QString& path, const QPageLayout& layout) {
    return std::make_unique<PdfTarget>(path, layout);
}

QSizeF sheetTwips(const QPageLayout& layout) {
    // Whole points, as the page sizes are defined: A4 is 11900 by 16840 twips.
    const QRect points = layout.fullRectPoints();
    return {points.width() * 20.0, points.height() * 20.0};
}

} // namespace qm

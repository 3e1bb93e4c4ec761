#include "print/print_queue.h"

#include <cups/cups.h>

namespace qm {

namespace {

// CUPS's last word on this thread, without the full stop: the message quoting it ends the
// sentence itself.
QString lastCupsError() {
    QString why = QString::fromUtf8(cupsLastErrorString());
    while (why.endsWith(u'.'))
        why.chop(1);
    return why;
}

} // namespace

QString printQueueProblem(const QString& printer) {
    const QByteArray name = printer.section(u'/', 0, 0).toLocal8Bit();
    const QByteArray instance = printer.section(u'/', 1).toLocal8Bit();
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.constData(),
                                         instance.isEmpty() ? nullptr : instance.constData());
    if (!dest)
        return QStringLiteral("the print system does not know the printer (%1)")
            .arg(lastCupsError());
    const auto option = [dest](const char* key) {
        return QString::fromUtf8(cupsGetOption(key, dest->num_options, dest->options));
    };
    QString problem;
    if (option("printer-is-accepting-jobs") == QLatin1String("false"))
        problem = QStringLiteral("the printer does not accept jobs");
    else if (option("printer-state").toInt() == IPP_PSTATE_STOPPED)
        problem = QStringLiteral("the printer is stopped");
    cupsFreeDests(1, dest);
    return problem;
}

QString printJobRefusal() {
    // The status is kept per thread, and Qt sends the job on the thread that ends the painting.
    return cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE ? lastCupsError() : QString();
}

} // namespace qm

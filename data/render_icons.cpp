// Build step: renders the emblem's vector design into the PNG sizes the icon theme gets.
// render_icons DESIGN.svg OUTDIR SIZE... writes OUTDIR/<SIZE>.png for each size.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen"); // a build machine need not have a display
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: render_icons DESIGN.svg OUTDIR SIZE...\n");
        return 2;
    }
    QSvgRenderer design(args[1]);
    if (!design.isValid()) {
        std::fprintf(stderr, "render_icons: cannot read %s\n", qPrintable(args[1]));
        return 1;
    }
    const QDir out(args[2]);
    if (!out.mkpath(QStringLiteral(".")))
        return 1;
    for (const QString& arg : args.mid(3)) {
        const int side = arg.toInt();
        if (side <= 0)
            return 2;
        QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing); // as the window icon is drawn
        design.render(&painter, QRectF(0, 0, side, side));
        painter.end();
        const QString path = out.filePath(arg + QStringLiteral(".png"));
        if (!image.save(path)) {
            std::fprintf(stderr, "render_icons: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}

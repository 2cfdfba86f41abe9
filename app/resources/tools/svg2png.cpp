// Reads "source.svg target.png" pairs from stdin and renders each at its own size.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>
#include <cstdio>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QTextStream in(stdin);
    int failures = 0;
    while (!in.atEnd()) {
        const QStringList pair = in.readLine().split(' ');
        if (pair.size() != 2)
            continue;
        QSvgRenderer renderer(pair[0]);
        if (!renderer.isValid()) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(pair[0]));
            ++failures;
            continue;
        }
        QImage image(renderer.defaultSize(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        renderer.render(&painter);
        painter.end();
        if (!image.save(pair[1], "PNG"))
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}

// Renders the user manual's HTML to the PDF the program opens, at build time.
//   cw_manual_renderer SOURCE.html OUT.pdf

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QSaveFile>
#include <QTextDocument>
#include <QUrl>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: cw_manual_renderer SOURCE.html OUT.pdf\n");
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);
    QFile html(source);
    if (!html.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    QTextDocument document;
    document.setBaseUrl(QUrl::fromLocalFile(QFileInfo(source).absolutePath() + QLatin1Char('/')));
    document.setDefaultFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 10));
    document.setHtml(QString::fromUtf8(html.readAll()));

    // Written beside the target and renamed, so a failed run leaves the old manual.
    const QString partial = out + QStringLiteral(".part");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(partial);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(18, 18, 18, 18),
                                      QPageLayout::Millimeter));
    printer.setDocName(QStringLiteral("Cuewright 使用手册"));
    printer.setCreator(QStringLiteral("Cuewright"));
    document.print(&printer);
    if (!QFileInfo(partial).isFile() || QFileInfo(partial).size() == 0) {
        std::fprintf(stderr, "the manual was not written\n");
        return 1;
    }
    QFile::remove(out);
    if (!QFile::rename(partial, out)) {
        std::fprintf(stderr, "cannot move the manual into place\n");
        return 1;
    }
    return 0;
}

// Lays out the user's manual, written in Markdown, as a PDF with Qt's own text
// layout and PDF writer: `manual-pdf <manual.md> <out.pdf>`. The build runs it
// so the manual lies beside the program, where Help > Contents opens it.
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: manual-pdf <manual.md> <out.pdf>\n");
        return 2;
    }
    // Fonts without a display: the build machine may have none.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);

    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "manual-pdf: cannot read %s: %s\n", argv[1],
                     qPrintable(source.errorString()));
        return 1;
    }
    const QString markdown = QString::fromUtf8(source.readAll());
    if (markdown.trimmed().isEmpty()) {
        std::fprintf(stderr, "manual-pdf: %s is empty\n", argv[1]);
        return 1;
    }

    QTextDocument document;
    QFont body(QStringLiteral("DejaVu Sans"));
    body.setPointSizeF(10);
    // No ligatures: "fi" stays two letters, so a search in the reader finds
    // "file" and copied text reads as written.
    body.setStyleStrategy(QFont::PreferNoShaping);
    document.setDefaultFont(body);
    document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);

    // Written aside and moved into place, so the program never finds half a manual.
    QSaveFile out(QString::fromLocal8Bit(argv[2]));
    if (!out.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "manual-pdf: cannot write %s: %s\n", argv[2],
                     qPrintable(out.errorString()));
        return 1;
    }
    {
        QPdfWriter writer(&out);
        writer.setTitle(QStringLiteral("Brinevane User's Manual"));
        writer.setCreator(QStringLiteral("Brinevane"));
        writer.setResolution(300);
        // The text layout keeps 2 cm round the text and numbers the pages in
        // the foot margin; the page itself adds none.
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
        document.print(&writer);
    }
    if (!out.commit()) {
        std::fprintf(stderr, "manual-pdf: cannot write %s: %s\n", argv[2],
                     qPrintable(out.errorString()));
        return 1;
    }
    return 0;
}

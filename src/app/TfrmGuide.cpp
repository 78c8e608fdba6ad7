#include "app/TfrmGuide.h"

#include "app/Glyphs.h"
#include "model/InstructionCode.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QUrl>

#include <algorithm>
#include <vector>

namespace {

QPointer<TfrmGuide> openGuide;
QString chosenGuideFile;

} // namespace

TfrmGuide::TfrmGuide()
{
    setObjectName(QStringLiteral("TfrmGuide"));
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("Tarvik User Guide"));
    setWindowIcon(Glyphs::applicationIcon());
    setAttribute(Qt::WA_DeleteOnClose);
    // The guide never keeps the program running once the main window has gone.
    setAttribute(Qt::WA_QuitOnClose, false);
    setOpenExternalLinks(true);
    resize(720, 640);
    load();
}

TfrmGuide* TfrmGuide::instance()
{
    return openGuide;
}

TfrmGuide* TfrmGuide::showAt(const QString& anchor)
{
    if (!openGuide)
        openGuide = new TfrmGuide;
    openGuide->show();
    openGuide->raise();
    openGuide->activateWindow();
    openGuide->scrollToSection(anchor);
    return openGuide;
}

QString TfrmGuide::guideFile()
{
    if (!chosenGuideFile.isEmpty())
        return chosenGuideFile;
    const QDir programDir(QCoreApplication::applicationDirPath());
    for (const char* relative : {TARVIK_GUIDE_FROM_BINDIR, "doc/guide.md"}) {
        const QString path = QDir::cleanPath(programDir.filePath(QString::fromLatin1(relative)));
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

void TfrmGuide::setGuideFile(const QString& path)
{
    chosenGuideFile = path;
}

QString TfrmGuide::headingAnchor(const QString& heading)
{
    QString anchor;
    for (const QChar c : heading.trimmed().toLower()) {
        if (c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_'))
            anchor += c;
        else if (c == QLatin1Char(' '))
            anchor += QLatin1Char('-');
    }
    return anchor;
}

QString TfrmGuide::instructionAnchor(int code)
{
    const tarvik::InstructionInfo* info = tarvik::instructionInfo(code);
    return info ? QString::fromLatin1(info->mnemonic.data(), qsizetype(info->mnemonic.size()))
                : QStringLiteral("the-entry-dialogs");
}

void TfrmGuide::load()
{
    const QString path = guideFile();
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        setPlainText(QStringLiteral("The user guide was not found. It is installed with Tarvik as "
                                    "share/tarvik/doc/guide.md."));
        return;
    }
    // Images are found beside the guide.
    setSearchPaths({QFileInfo(path).absolutePath()});
    document()->setBaseUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    setMarkdown(QString::fromUtf8(file.readAll()));
    nameHeadings();
    fitImages();
}

void TfrmGuide::resizeEvent(QResizeEvent* event)
{
    QTextBrowser::resizeEvent(event);
    fitImages();
}

void TfrmGuide::fitImages()
{
    // A picture scaled down is a smoothly scaled copy under a name of its own, replaced at
    // each width, so that text in it stays readable and only one copy is kept.
    constexpr int kOriginalName = QTextFormat::UserProperty;
    const int room = viewport()->width() - 2 * static_cast<int>(document()->documentMargin()) - 2;
    if (room <= 0)
        return;
    struct Picture {
        int position;
        int length;
        QTextImageFormat format;
    };
    std::vector<Picture> pictures;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || !fragment.charFormat().isImageFormat())
                continue;
            QTextImageFormat format = fragment.charFormat().toImageFormat();
            QString original = format.stringProperty(kOriginalName);
            if (original.isEmpty())
                original = format.name();
            const QVariant data = document()->resource(QTextDocument::ImageResource, QUrl(original));
            QImage natural = data.value<QImage>();
            if (natural.isNull())
                natural = data.value<QPixmap>().toImage();
            if (natural.isNull())
                natural = QImage::fromData(data.toByteArray());
            if (natural.isNull())
                continue;
            const int width = std::min(natural.width(), room);
            if (format.width() == width && format.hasProperty(kOriginalName))
                continue;
            QString shown = original;
            QSize size = natural.size();
            if (width < natural.width()) {
                const QImage scaled = natural.scaledToWidth(width, Qt::SmoothTransformation);
                // Looked up by its resolved address, so stored under that.
                const QUrl address = document()->baseUrl().resolved(QUrl(original + QStringLiteral("#fitted")));
                document()->addResource(QTextDocument::ImageResource, address, scaled);
                shown = address.toString();
                size = scaled.size();
            }
            format.setName(shown);
            format.setProperty(kOriginalName, original);
            format.setWidth(size.width());
            format.setHeight(size.height());
            pictures.push_back({fragment.position(), fragment.length(), format});
        }
    }
    for (const Picture& picture : pictures) {
        QTextCursor cursor(document());
        cursor.setPosition(picture.position);
        cursor.setPosition(picture.position + picture.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(picture.format);
    }
}

void TfrmGuide::nameHeadings()
{
    // Markdown headings carry no anchor of their own here; each gets the name GitHub gives it.
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 0 || block.length() <= 1)
            continue;
        QTextCursor cursor(block);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setAnchor(true);
        format.setAnchorNames({headingAnchor(block.text())});
        cursor.mergeCharFormat(format);
    }
}

void TfrmGuide::scrollToSection(const QString& anchor)
{
    currentAnchor_.clear();
    if (anchor.isEmpty()) {
        verticalScrollBar()->setValue(0);
        return;
    }
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() != 0 && headingAnchor(block.text()) == anchor) {
            currentAnchor_ = anchor;
            // Laid out first, so the section lands at the top even in a window just made.
            document()->adjustSize();
            scrollToAnchor(anchor);
            return;
        }
    }
    verticalScrollBar()->setValue(0);
}

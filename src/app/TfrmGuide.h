#pragma once

#include <QString>
#include <QTextBrowser>

// Help > User Guide: the user guide, a Markdown file installed with the program, in one
// window of its own that stays open beside the main window and the dialogs.
class TfrmGuide : public QTextBrowser {
    Q_OBJECT
public:
    // The guide window, opened or brought to the front, at the section whose heading gives
    // anchor (GitHub's rule, see headingAnchor); an empty or unknown anchor shows the top.
    static TfrmGuide* showAt(const QString& anchor = {});
    // The open guide window; null when none is open.
    static TfrmGuide* instance();

    // The guide file: the one set, or else the first found from the running program's folder,
    // installed (PREFIX/share/tarvik/doc/guide.md) or in the build folder (doc/guide.md).
    // Empty when there is none.
    static QString guideFile();
    static void setGuideFile(const QString& path);

    // A heading's anchor as GitHub makes it, so one link works in both places: lower case,
    // blanks to '-', everything but letters, digits, '-' and '_' dropped.
    static QString headingAnchor(const QString& heading);

    // The guide's section on an instruction (its mnemonic); for a line that is none (ORG, a
    // blank line) the section on the entry dialogs.
    static QString instructionAnchor(int code);

    // The section shown at the top; empty when none is.
    QString currentAnchor() const { return currentAnchor_; }
    void scrollToSection(const QString& anchor);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    TfrmGuide();
    void load();
    void nameHeadings();
    // Pictures wider than the page are shown scaled down to its width.
    void fitImages();

    QString currentAnchor_;
};

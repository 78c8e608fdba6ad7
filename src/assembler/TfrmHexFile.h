#pragma once

#include <QDialog>
#include <QStringList>

#include <string>

class QIODevice;
class QListWidget;
class QPushButton;

namespace tarvik {
class Screen;
}

// Shows the lines of a HEX file, read afresh each time the window becomes active, so a
// file changed while the user was in another application is shown as it now stands.
class TfrmHexFile : public QDialog {
    Q_OBJECT
public:
    // Longest item the list shows; a longer line is shown as several items.
    static constexpr qsizetype kMaxItemLength = 79;
    // Far beyond any file the assembler writes (130 records); a huge file in the way of
    // the name is shown only this far rather than exhausting memory.
    static constexpr qsizetype kMaxItems = 100000;

    explicit TfrmHexFile(tarvik::Screen& screen, QWidget* parent = nullptr);

    // The file to show, relative to the current directory; it also becomes the caption.
    void setFileName(const std::string& fileName);

    // Reloads the list from the file, or reports "Error!" and keeps the list as it was.
    void FormActivate();
    void Button1Click();

    // The items for the file's lines: each line cut at its line feed (a CR before it
    // dropped) and split into pieces of at most kMaxItemLength characters; at most
    // kMaxItems of them.
    static QStringList readItems(QIODevice& file);

protected:
    bool event(QEvent* event) override;

private:
    tarvik::Screen& screen_;
    std::string fileName_;
    QListWidget* lbxHexFile_ = nullptr;
    QPushButton* Button1_ = nullptr;
    // A real message box takes the activation away while "Error!" shows and gives it back
    // when closed; reloading then would report again, without end.
    bool reporting_ = false;
    bool lostToOwnMessage_ = false;
};

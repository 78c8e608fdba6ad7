#pragma once

#include "model/ProgramDocument.h"

#include <QDialog>

class QLineEdit;

// The comment of the line an entry dialog is writing. It edits the document's pending
// comment only; the entry dialog's OK attaches it.
class TfrmComment : public QDialog {
    Q_OBJECT
public:
    static constexpr int kCommentLimit = 28;

    explicit TfrmComment(tarvik::ProgramDocument& doc, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Button1Click();

    tarvik::ProgramDocument& doc_;
    QLineEdit* txtComment = nullptr;
    bool shown_ = false;
};

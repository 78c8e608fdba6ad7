#pragma once

#include <QtGlobal>

class QLineEdit;
class QString;

// Boxes that take program text (names, operands, comments) feed single-byte fields. Typing
// is limited to a number of characters, and a character outside Latin-1 shows as '?' the
// moment it is typed, so what is stored is what the box shows. A longer text from the
// program or from a list is still shown whole.
void limitTyping(QLineEdit* edit, int limit);
void setWholeText(QLineEdit* edit, const QString& text);
// Lets the box hold a text of this length that came from the program.
void allowLength(QLineEdit* edit, qsizetype length);

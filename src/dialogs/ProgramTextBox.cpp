#include "dialogs/ProgramTextBox.h"

#include <QLineEdit>
#include <QValidator>

#include <algorithm>

namespace {

const char* const kTypingLimit = "typingLimit";

class Latin1Only : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override
    {
        for (qsizetype i = 0; i < input.size(); ++i) {
            if (input[i].unicode() <= 0xFF)
                continue;
            // A character beyond the basic plane is two code units; it becomes one '?'.
            const bool pair = input[i].isHighSurrogate() && i + 1 < input.size() && input[i + 1].isLowSurrogate();
            input.replace(i, pair ? 2 : 1, QLatin1Char('?'));
            if (pair && pos > i)
                --pos;
        }
        return Acceptable;
    }
};

} // namespace

void limitTyping(QLineEdit* edit, int limit)
{
    edit->setProperty(kTypingLimit, limit);
    edit->setMaxLength(limit);
    edit->setValidator(new Latin1Only(edit));
}

void allowLength(QLineEdit* edit, qsizetype length)
{
    edit->setMaxLength(std::max(edit->property(kTypingLimit).toInt(), static_cast<int>(length)));
}

void setWholeText(QLineEdit* edit, const QString& text)
{
    allowLength(edit, text.size());
    edit->setText(text);
}

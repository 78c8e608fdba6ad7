#pragma once

#include "model/ProgramDocument.h"
#include "model/Screen.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarvik::test {

// A scripted person at the screen: records everything shown and asked, and answers
// from queues set up by the test (OK, or Cancel when nothing is queued).
class FakeScreen : public Screen {
public:
    struct Message {
        std::string caption;
        std::string text;
        MessageButtons buttons;
    };
    struct FileAsk {
        std::string kind;  // "open", "save"
        std::string title;
        std::string filter;
        std::string suggestedPath;
    };
    struct Offer {
        std::string kind;  // "register", "bit", "literal", "label"
        std::string name;
    };

    MessageAnswer showMessage(std::string_view caption, std::string_view text,
                              MessageButtons buttons) override
    {
        messages.push_back({std::string(caption), std::string(text), buttons});
        events.push_back("message:" + std::string(text));
        if (answers.empty())
            return buttons == MessageButtons::Ok || buttons == MessageButtons::OkCancel ? MessageAnswer::Ok
                                                                                       : MessageAnswer::Cancel;
        MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    int offerNewRegister(ProgramDocument& doc, std::string& name) override { return offer("register", doc, name); }
    int offerNewBit(ProgramDocument& doc, std::string& name) override { return offer("bit", doc, name); }
    int offerNewLiteral(ProgramDocument& doc, std::string& name) override { return offer("literal", doc, name); }
    int offerNewLabel(ProgramDocument& doc, std::string& name) override { return offer("label", doc, name); }

    void moveCursorToLine(ProgramDocument&, int lineNumber) override
    {
        cursorMoves.push_back(lineNumber);
        events.push_back("cursor:" + std::to_string(lineNumber));
    }
    void editCurrentLine(ProgramDocument&) override
    {
        ++editRequests;
        events.push_back("edit");
    }

    std::optional<std::string> chooseFileToOpen(const FileRequest& request = {}) override
    {
        return nextFile("open", request);
    }
    std::optional<std::string> chooseFileToSave(const FileRequest& request) override
    {
        saveDialogTitles.emplace_back(request.title);
        return nextFile("save", request);
    }

    std::vector<std::string> texts() const
    {
        std::vector<std::string> all;
        for (const Message& m : messages)
            all.push_back(m.text);
        return all;
    }

    // Script
    std::deque<MessageAnswer> answers;
    // Called for each offer; returns the dialog's result and may change the name.
    std::function<int(const std::string& kind, ProgramDocument&, std::string& name)> onOffer;
    std::deque<std::optional<std::string>> files;

    // Record
    std::vector<Message> messages;
    std::vector<Offer> offers;
    std::vector<int> cursorMoves;
    std::vector<std::string> saveDialogTitles;
    std::vector<FileAsk> fileAsks;
    std::vector<std::string> events;
    int editRequests = 0;

private:
    int offer(const std::string& kind, ProgramDocument& doc, std::string& name)
    {
        offers.push_back({kind, name});
        events.push_back("offer:" + kind + ":" + name);
        return onOffer ? onOffer(kind, doc, name) : 0;
    }
    std::optional<std::string> nextFile(const std::string& kind, const FileRequest& request)
    {
        events.push_back("file:" + kind);
        fileAsks.push_back({kind, std::string(request.title), std::string(request.filter),
                            std::string(request.suggestedPath)});
        if (files.empty())
            return std::nullopt;
        auto file = files.front();
        files.pop_front();
        return file;
    }
};

} // namespace tarvik::test

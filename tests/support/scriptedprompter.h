#pragma once

#include "prompter.h"
#include "testfiles.h"

#include <QList>
#include <QStringList>

#include <gtest/gtest.h>

#include <deque>

namespace quillon::testing {

// Takes the next item of a script; an empty script gives `fallback`.
template <class Item>
Item takeNext(std::deque<Item>& script, Item fallback = {})
{
    if (script.empty())
        return fallback;
    Item next = std::move(script.front());
    script.pop_front();
    return next;
}

// A Prompter for tests: records everything shown and answers from a script.
// A question with more than one button that the script does not answer fails the test;
// an unanswered OK-only box is simply acknowledged; an unanswered dialog is cancelled.
class ScriptedPrompter : public Prompter {
public:
    void answerNext(PromptAnswer answer) { answers_.push_back(answer); }
    // The next dialog's choice; for a save dialog also the filter selected in it.
    void chooseNext(const QString& path, int filterIndex = 0) { choices_.push_back({path, filterIndex}); }

    PromptAnswer ask(const PromptMessage& message) override
    {
        messages_.append(message);
        if (answers_.empty() && message.buttons != PromptButtons::Ok)
            ADD_FAILURE() << "unscripted question: " << message.text.toStdString();
        return takeNext(answers_, message.defaultAnswer);
    }
    QString chooseFolder(const QString&, const QString&) override { return takeNext(choices_).path; }
    QString chooseFileToOpen(const FileRequest&) override { return takeNext(choices_).path; }
    SaveChoice chooseSaveTarget(const FileRequest& request) override
    {
        saveRequests_.append(request);
        return takeNext(choices_);
    }

    const QList<PromptMessage>& messages() const { return messages_; }
    QStringList texts() const
    {
        QStringList result;
        for (const PromptMessage& message : messages_)
            result.append(message.text);
        return result;
    }
    const QList<FileRequest>& saveRequests() const { return saveRequests_; }

private:
    std::deque<PromptAnswer> answers_;
    std::deque<SaveChoice> choices_;
    QList<PromptMessage> messages_;
    QList<FileRequest> saveRequests_;
};

}  // namespace quillon::testing

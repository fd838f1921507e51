#include "scriptedprompter.h"

#include <gtest/gtest.h>

namespace quillon::testing {

PromptAnswer ScriptedPrompter::ask(const PromptMessage& message)
{
    messages_.append(message);
    if (!answers_.empty()) {
        const PromptAnswer answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    if (message.buttons != PromptButtons::Ok)
        ADD_FAILURE() << "unscripted question: " << message.text.toStdString();
    return message.defaultAnswer;
}

QString ScriptedPrompter::chooseFolder(const QString& title, const QString& startFolder)
{
    folderRequests_.append({title, startFolder});
    return nextChoice().path;
}

QString ScriptedPrompter::chooseFileToOpen(const FileRequest& request)
{
    openRequests_.append(request);
    return nextChoice().path;
}

SaveChoice ScriptedPrompter::chooseSaveTarget(const FileRequest& request)
{
    saveRequests_.append(request);
    return nextChoice();
}

QStringList ScriptedPrompter::texts() const
{
    QStringList result;
    for (const PromptMessage& message : messages_)
        result.append(message.text);
    return result;
}

SaveChoice ScriptedPrompter::nextChoice()
{
    if (choices_.empty())
        return {};
    SaveChoice choice = choices_.front();
    choices_.pop_front();
    return choice;
}

}  // namespace quillon::testing

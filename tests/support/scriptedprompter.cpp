#include "scriptedprompter.h"

#include <gtest/gtest.h>

namespace quillon::testing {

PromptAnswer ScriptedPrompter::ask(const PromptMessage& message)
{
    messages_.append(message);
    if (!answers_.empty())
        return takeNext(answers_);
    if (message.buttons != PromptButtons::Ok)
        ADD_FAILURE() << "unscripted question: " << message.text.toStdString();
    return message.defaultAnswer;
}

QString ScriptedPrompter::chooseFolder(const QString& title, const QString& startFolder)
{
    folderRequests_.append({title, startFolder});
    return takeNext(choices_).path;
}

QString ScriptedPrompter::chooseFileToOpen(const FileRequest& request)
{
    openRequests_.append(request);
    return takeNext(choices_).path;
}

SaveChoice ScriptedPrompter::chooseSaveTarget(const FileRequest& request)
{
    saveRequests_.append(request);
    return takeNext(choices_);
}

QStringList ScriptedPrompter::texts() const
{
    QStringList result;
    for (const PromptMessage& message : messages_)
        result.append(message.text);
    return result;
}

}  // namespace quillon::testing

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

QStringList ScriptedPrompter::texts() const
{
    QStringList result;
    for (const PromptMessage& message : messages_)
        result.append(message.text);
    return result;
}

}  // namespace quillon::testing

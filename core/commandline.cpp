#include "commandline.h"

#include "prompter.h"

namespace quillon {

namespace {

bool isSwitch(const QString& argument, QChar letter)
{
    const QString lower = argument.toLower();
    return lower == QString('-') + letter || lower == QString('/') + letter;
}

bool isAnySwitch(const QString& argument)
{
    return isSwitch(argument, 'a') || isSwitch(argument, 'd') || isSwitch(argument, 'f');
}

// On Linux every absolute path starts with "/", so only the "/" spellings of our own switches
// are refused as file names, together with anything that starts with "-".
bool isInvalidFileName(const QString& argument)
{
    return argument.startsWith('-') || isAnySwitch(argument);
}

}  // namespace

StartupOptions WalkCommandLine(const QStringList& arguments, Prompter& prompter)
{
    StartupOptions options;
    for (qsizetype index = 0; index < arguments.size(); ++index) {
        const QString& argument = arguments.at(index);
        if (isSwitch(argument, 'd')) {
            options.debug = true;
        } else if (isSwitch(argument, 'a')) {
            options.advancedMode = true;
        } else if (isSwitch(argument, 'f')) {
            if (index + 1 == arguments.size()) {
                prompter.tell("Filename not specified.");
                continue;
            }
            const QString& fileName = arguments.at(++index);
            if (isInvalidFileName(fileName))
                prompter.tell("Invalid filename.");
            else
                options.startFile = fileName;
        } else {
            prompter.tell("Invalid argument: " + argument);
        }
    }
    return options;
}

}  // namespace quillon

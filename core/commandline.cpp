#include "commandline.h"

#include "prompter.h"

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

bool isSwitch(const QString& argument, QChar letter)
{
    const QString lower = argument.toLower();
    return lower == QString(u'-') + letter || lower == QString(u'/') + letter;
}

bool isAnySwitch(const QString& argument)
{
    return isSwitch(argument, u'a') || isSwitch(argument, u'd') || isSwitch(argument, u'f');
}

// On Linux every absolute path starts with "/", so only the "/" spellings of our own switches
// are refused as file names, together with anything that starts with "-".
bool isInvalidFileName(const QString& argument)
{
    return argument.startsWith(u'-') || isAnySwitch(argument);
}

}  // namespace

StartupOptions WalkCommandLine(const QStringList& arguments, Prompter& prompter)
{
    StartupOptions options;
    for (qsizetype index = 0; index < arguments.size(); ++index) {
        const QString& argument = arguments.at(index);
        if (isSwitch(argument, u'd')) {
            options.debug = true;
        } else if (isSwitch(argument, u'a')) {
            options.advancedMode = true;
        } else if (isSwitch(argument, u'f')) {
            if (index + 1 == arguments.size()) {
                prompter.tell(u"Filename not specified."_s);
                continue;
            }
            const QString& fileName = arguments.at(++index);
            if (isInvalidFileName(fileName))
                prompter.tell(u"Invalid filename."_s);
            else
                options.startFile = fileName;
        } else {
            prompter.tell(u"Invalid argument: "_s + argument);
        }
    }
    return options;
}

}  // namespace quillon

#include "commandline.h"
#include "scriptedprompter.h"

#include <gtest/gtest.h>

using namespace quillon;
using namespace Qt::Literals::StringLiterals;

TEST(CommandLine, SwitchesFileNamesAndWhatIsReported)
{
    const struct {
        QStringList arguments;
        bool advancedMode;
        bool debug;
        QString startFile;
        QStringList messages;
    } cases[] = {
        {{}, false, false, {}, {}},
        {{u"-a"_s}, true, false, {}, {}},
        {{u"/A"_s}, true, false, {}, {}},
        {{u"/D"_s, u"-f"_s, u"/home/me/My Dats/new.dat"_s}, false, true, u"/home/me/My Dats/new.dat"_s, {}},
        {{u"-F"_s, u"New.DAT"_s}, false, false, u"New.DAT"_s, {}},
        {{u"-a"_s, u"-f"_s}, true, false, {}, {u"Filename not specified."_s}},
        {{u"-f"_s, u"-d"_s}, false, false, {}, {u"Invalid filename."_s}},
        {{u"-f"_s, u"/a"_s}, false, false, {}, {u"Invalid filename."_s}},
        {{u"verbose"_s, u"-a"_s, u""_s, u"-x"_s}, true, false, {},
         {u"Invalid argument: verbose"_s, u"Invalid argument: "_s, u"Invalid argument: -x"_s}},
    };
    for (const auto& expected : cases) {
        SCOPED_TRACE(expected.arguments.join(u' ').toStdString());
        quillon::testing::ScriptedPrompter prompter;
        const StartupOptions options = WalkCommandLine(expected.arguments, prompter);
        EXPECT_EQ(options.advancedMode, expected.advancedMode);
        EXPECT_EQ(options.debug, expected.debug);
        EXPECT_EQ(options.startFile, expected.startFile);
        EXPECT_EQ(prompter.texts(), expected.messages);
        for (const PromptMessage& message : prompter.messages())
            EXPECT_TRUE(message.icon == PromptIcon::None && message.title.isEmpty()) << "a plain box, application title";
    }
}

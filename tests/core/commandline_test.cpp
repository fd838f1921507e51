#include "commandline.h"
#include "scriptedprompter.h"

#include <gtest/gtest.h>

using namespace quillon;
using quillon::testing::ScriptedPrompter;

namespace {

struct Walk {
    StartupOptions options;
    QStringList messages;
};

Walk walk(const QStringList& arguments)
{
    ScriptedPrompter prompter;
    Walk result{WalkCommandLine(arguments, prompter), prompter.texts()};
    for (const PromptMessage& message : prompter.messages()) {
        EXPECT_EQ(message.icon, PromptIcon::None);
        EXPECT_EQ(message.title, "") << "the application title";
    }
    return result;
}

}  // namespace

TEST(CommandLine, NoArgumentsNoMessage)
{
    const Walk result = walk({});
    EXPECT_TRUE(result.messages.isEmpty());
    EXPECT_FALSE(result.options.advancedMode);
}

TEST(CommandLine, SwitchesInEitherFormAndCase)
{
    for (const QString argument : {"-a", "/a", "-A", "/A"})
        EXPECT_TRUE(walk({argument}).options.advancedMode) << argument.toStdString();
    const Walk result = walk({"/D", "-f", "/home/me/My Dats/new.dat"});
    EXPECT_TRUE(result.options.debug);
    EXPECT_EQ(result.options.startFile, "/home/me/My Dats/new.dat") << "an absolute path is a file name";
    EXPECT_TRUE(result.messages.isEmpty());
}

TEST(CommandLine, FileNameIsKeptAsTyped)
{
    EXPECT_EQ(walk({"-F", "New.DAT"}).options.startFile, "New.DAT");
}

TEST(CommandLine, MissingOrInvalidFileName)
{
    EXPECT_EQ(walk({"-a", "-f"}).messages, QStringList{"Filename not specified."});

    const Walk switchAsName = walk({"-f", "-d"});
    EXPECT_EQ(switchAsName.messages, QStringList{"Invalid filename."});
    EXPECT_FALSE(switchAsName.options.debug) << "the consumed argument is not a switch";

    EXPECT_EQ(walk({"-f", "/a"}).messages, QStringList{"Invalid filename."});
    EXPECT_EQ(walk({"-f", "-other"}).options.startFile, "");
}

TEST(CommandLine, UnknownArgumentsAreReportedAndTheWalkGoesOn)
{
    const Walk result = walk({"verbose", "-a", "", "-x"});
    EXPECT_EQ(result.messages,
              (QStringList{"Invalid argument: verbose", "Invalid argument: ", "Invalid argument: -x"}));
    EXPECT_TRUE(result.options.advancedMode);
}

// The desktop program's command line: today's options beside the set-up words.
#include <gtest/gtest.h>

#include "desktop/shell/CommandLine.h"

namespace mirrodex::test {
namespace {

CommandLine Parse(QStringList words) {
  words.prepend("mirrodex");
  return CommandLine::Parse(words);
}

TEST(CommandLineTest, ProfileStartAndHostCombine) {
  const CommandLine line = Parse({"--profile", "Virtual Device", "--tcp-host", "127.0.0.1", "--start"});
  EXPECT_EQ(line.action, CommandLine::Action::kRun);
  EXPECT_EQ(line.profile, "Virtual Device");
  EXPECT_EQ(line.tcpHost, "127.0.0.1");
  EXPECT_TRUE(line.start);
  EXPECT_EQ(Parse({"--profile=P"}).profile, "P");
  EXPECT_EQ(Parse({}).action, CommandLine::Action::kRun);
}

TEST(CommandLineTest, HelpAndVersionWinAndMistakesAreErrors) {
  EXPECT_EQ(Parse({"--start", "--help"}).action, CommandLine::Action::kHelp);
  EXPECT_EQ(Parse({"--version"}).action, CommandLine::Action::kVersion);
  EXPECT_EQ(Parse({"--profile"}).action, CommandLine::Action::kError);
  EXPECT_EQ(Parse({"--tcp-host", "10.0.0.2"}).action, CommandLine::Action::kError);  // needs a profile
  EXPECT_EQ(Parse({"--bogus"}).action, CommandLine::Action::kError);
}

TEST(CommandLineTest, AnyWordEndsTheProgramAfterParsing) {
  const CommandLine install = Parse({"INSTALL"});
  EXPECT_EQ(install.action, CommandLine::Action::kWord);
  EXPECT_EQ(install.word, "install");
  EXPECT_EQ(Parse({"uninstall"}).word, "uninstall");
  EXPECT_EQ(Parse({"something"}).action, CommandLine::Action::kWord);
}

}  // namespace
}  // namespace mirrodex::test

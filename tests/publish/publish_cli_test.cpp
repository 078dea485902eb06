// The command line of zefo-publish: its three commands, exit statuses and output.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "tests/publish/publish_scenario.h"

namespace zefo::publish::testing {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

class CliTest : public ::testing::Test {
 protected:
  ToolRun Tool(const std::string& arguments) {
    const fs::path out = scratch_.path() / "stdout.txt";
    const fs::path err = scratch_.path() / "stderr.txt";
    const std::string command = std::string("'") + ZEFO_PUBLISH_PROGRAM + "' " + arguments + " > '" + out.string() +
                                "' 2> '" + err.string() + "'";
    const int status = std::system(command.c_str());
    ToolRun run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadBytes(out);
    run.err = ReadBytes(err);
    return run;
  }
  std::string Quoted(const fs::path& path) const { return "'" + path.string() + "'"; }
  fs::path root() const { return scratch_.path() / "root"; }
  fs::path build() const { return scratch_.path() / "build"; }

  ScratchFolder scratch_;
};

TEST_F(CliTest, WrongUsageShowsTheUsage) {
  for (const char* arguments : {"", "publish x", "release a b", "release a --version 101", "verify", "show a b"}) {
    const ToolRun run = Tool(arguments);
    EXPECT_EQ(run.status, 2) << arguments;
    EXPECT_NE(run.err.find("zefo-publish release ROOT BUILD_DIR --version N"), std::string::npos) << arguments;
  }
}

TEST_F(CliTest, ReleaseVerifyAndShow) {
  WriteFiles(build(), StoryBuilds().at(101));
  const std::string release = "release " + Quoted(root()) + " " + Quoted(build()) + " --version 101";
  ToolRun run = Tool(release);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("published version 101"), std::string::npos) << run.out;

  run = Tool("verify " + Quoted(root()));
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(run.out, "no problems found\n");

  run = Tool("show " + Quoted(root()));
  EXPECT_EQ(run.status, 0);
  for (const char* line : {"published version: 101\n", "version 101: 7 file(s)\n", "  x64/ZLauncher.exe\n",
                           "VersionHash.inf: 7 record(s)\n", "  x64\\ZLauncher.exe\n",
                           "  ZEFOLauncher_New.exe <- 101/ZEFOLauncher_New.exe\n"}) {
    EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
  }

  run = Tool(release);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("zefo-publish: refused: version 101 is not above the published version 101"),
            std::string::npos)
      << run.err;
  run = Tool("release " + Quoted(root()) + " " + Quoted(build()) + " --version 10x2");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("\"10x2\" is not a version number"), std::string::npos) << run.err;
}

TEST_F(CliTest, VerifyPrintsOneProblemALine) {
  WriteFiles(build(), StoryBuilds().at(101));
  ASSERT_EQ(Tool("release " + Quoted(root()) + " " + Quoted(build()) + " --version 101").status, 0);
  fs::remove(root() / "101" / "a.dll");
  fs::remove(root() / "101" / "readme.txt");
  const ToolRun run = Tool("verify " + Quoted(root()));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("101/a.dll is listed by 101/download_info.txt but missing\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("101/readme.txt is listed by 101/download_info.txt but missing\n"), std::string::npos)
      << run.out;
  EXPECT_EQ(Tool("show " + Quoted(scratch_.path() / "nothing")).status, 1);
}

}  // namespace
}  // namespace zefo::publish::testing

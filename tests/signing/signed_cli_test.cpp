// The signing commands of zefo-publish on the command line: keygen, release
// with --sign and --expires, resign, verify --public-key, and their refusals.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "tests/publish/publish_scenario.h"

namespace zefo::publish::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

class SignedCliTest : public ::testing::Test {
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
  fs::path key() const { return scratch_.path() / "release.key"; }
  std::string Release(std::int32_t version, const std::string& options) {
    WriteFiles(BuildFolder(scratch_.path() / "builds", version), StoryBuilds().at(version));
    return "release " + Quoted(root()) + " " + Quoted(BuildFolder(scratch_.path() / "builds", version)) +
           " --version " + std::to_string(version) + " " + options;
  }

  ScratchFolder scratch_;
};

TEST_F(SignedCliTest, KeygenReleaseResignVerify) {
  ToolRun run = Tool("keygen " + Quoted(key()));
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_THAT(run.out, MatchesRegex("[0-9a-f]{64}\n"));
  const std::string publicKey = run.out.substr(0, 64);
  run = Tool("keygen " + Quoted(key()));
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.err, HasSubstr("exists already"));

  run = Tool(Release(101, "--sign " + Quoted(key()) + " --expires 30"));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_THAT(ReadBytes(root() / "VersionInfo.txt"), MatchesRegex("101\nexpires=[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8}Z\n"));
  run = Tool("verify " + Quoted(root()) + " --public-key " + publicKey);
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(run.out, "no problems found\n");

  std::string otherKey = publicKey;
  otherKey[0] = otherKey[0] == 'a' ? 'b' : 'a';
  run = Tool("verify " + Quoted(root()) + " --public-key " + otherKey);
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.out, HasSubstr("VersionInfo.txt.sig does not verify"));

  run = Tool("resign " + Quoted(root()) + " --sign " + Quoted(key()));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadBytes(root() / "VersionInfo.txt"), "101\n");
  EXPECT_EQ(Tool("verify " + Quoted(root()) + " --public-key " + publicKey).status, 0);
}

TEST_F(SignedCliTest, RefusesWhatCannotBeSigned) {
  ASSERT_EQ(Tool("keygen " + Quoted(key())).status, 0);
  struct Case {
    std::string arguments;
    int status;
    const char* says;
  };
  const std::string sign = " --sign " + Quoted(key());
  for (const Case& c : {
           Case{Release(101, "--expires 30"), 1, "--expires needs --sign"},
           Case{Release(101, sign + " --expires 0"), 1, "from 1 to 3650"},
           Case{Release(101, sign + " --expires 3651"), 1, "from 1 to 3650"},
           Case{Release(101, sign + " --expires 1x"), 1, "from 1 to 3650"},
           Case{Release(101, "--sign " + Quoted(scratch_.path() / "none.key")), 1, "cannot read the key file"},
           Case{Release(101, sign + " --sign " + Quoted(key())), 2, "usage"},
           Case{Release(101, "--sign"), 2, "usage"},
           Case{Release(101, "--signature x"), 2, "usage"},
           Case{"resign " + Quoted(root()), 2, "usage"},
           Case{"resign " + Quoted(root()) + sign, 1, "does not exist"},
           Case{"verify " + Quoted(root()) + " --public-key abc", 1, "64 hexadecimal characters"},
           Case{"keygen", 2, "usage"},
       }) {
    const ToolRun run = Tool(c.arguments);
    EXPECT_EQ(run.status, c.status) << c.arguments;
    EXPECT_THAT(run.err, HasSubstr(c.says)) << c.arguments;
  }
  EXPECT_FALSE(fs::exists(root() / "VersionInfo.txt"));
}

}  // namespace
}  // namespace zefo::publish::testing

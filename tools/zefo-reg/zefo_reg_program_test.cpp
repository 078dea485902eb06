// The real zefo-reg program, each call a process of its own, on a database
// under a private XDG_CONFIG_HOME.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <set>

extern char** environ;

namespace zefo {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ZefoRegProgramTest : public ::testing::Test {
 protected:
  ZefoRegProgramTest() {
    char folder[] = "/tmp/zefo-reg-program-XXXXXX";
    EXPECT_NE(mkdtemp(folder), nullptr);
    folder_ = folder;
    const char* previous = getenv("XDG_CONFIG_HOME");
    if (previous != nullptr) previousConfig_ = previous;
    setenv("XDG_CONFIG_HOME", (folder_ / "config").c_str(), 1);
  }
  ~ZefoRegProgramTest() override {
    previousConfig_ ? setenv("XDG_CONFIG_HOME", previousConfig_->c_str(), 1)
                    : unsetenv("XDG_CONFIG_HOME");
    fs::remove_all(folder_);
  }

  // Runs `program` with `arguments`, its output collected in files.
  Outcome Spawn(const std::string& program, const std::vector<std::string>& arguments) {
    const fs::path out = folder_ / "out.txt", err = folder_ / "err.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> all{program};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : all) argv.push_back(&argument[0]);
    argv.push_back(nullptr);
    pid_t pid = -1;
    Outcome outcome;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
      int status = 0;
      waitpid(pid, &status, 0);
      outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    outcome.out = ReadFile(out);
    outcome.err = ReadFile(err);
    return outcome;
  }

  Outcome Reg(const std::vector<std::string>& arguments) {
    return Spawn(ZEFO_REG_PROGRAM, arguments);
  }

  fs::path folder_;
  std::optional<std::string> previousConfig_;
};

TEST_F(ZefoRegProgramTest, EveryTypeRoundTripsBetweenRuns) {
  const std::string key = "HKCU\\Software\\Tavrin\\Zlauncher_stage";
  const std::vector<std::vector<std::string>> values = {
      {"FILENAME", "sz", "ZEFOLauncher.exe"},
      {"PATH", "expand_sz", "/home/player/\xED\x95\x9C games/"},
      {"VERSION", "dword", "101"},
      {"ZEFOTIME", "qword", "1767225540"},
      {"", "sz", "the default"},
  };
  std::string expected;
  for (const auto& value : values) {
    const Outcome set = Reg({"set", key, value[0], value[1], value[2]});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.out + set.err, "");
    expected +=
        (value[0].empty() ? "(default)" : value[0]) + "\t" + value[1] + "\t" + value[2] + "\n";
  }
  EXPECT_TRUE(fs::exists(folder_ / "config" / "tavrin" / "registry.sqlite3"));
  const Outcome all = Reg({"get", key});
  EXPECT_EQ(all.status, 0);
  EXPECT_EQ(all.out, expected);
  const Outcome one = Reg({"get", key, "version"});
  EXPECT_EQ(one.status, 0);
  EXPECT_EQ(one.out, "version\tdword\t101\n");
}

TEST_F(ZefoRegProgramTest, TwoWritersAtOnceLoseNothing) {
  // Each writer is a loop of zefo-reg runs, one write each, the two loops side
  // by side. (Two processes with 200 writes each: the store's own tests.)
  constexpr int kWrites = 50;
  const std::string loop =
      "for i in $(seq 1 " + std::to_string(kWrites) +
      "); do \"$0\" set 'HKCU\\Software\\Race' \"$1-$i\" dword \"$i\" || exit 1;"
      " done";
  std::vector<pid_t> writers;
  for (const char* writer : {"a", "b"}) {
    std::vector<std::string> all{"/bin/sh", "-c", loop, ZEFO_REG_PROGRAM, writer};
    std::vector<char*> argv;
    for (std::string& argument : all) argv.push_back(&argument[0]);
    argv.push_back(nullptr);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv.data(), environ), 0);
    writers.push_back(pid);
  }
  for (const pid_t pid : writers) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const Outcome all = Reg({"get", "HKCU\\Software\\Race"});
  ASSERT_EQ(all.status, 0) << all.err;
  std::set<std::string> lines;
  std::istringstream in(all.out);
  for (std::string line; std::getline(in, line);) lines.insert(line);
  EXPECT_EQ(lines.size(), 2u * kWrites);
  for (const char* writer : {"a", "b"}) {
    for (int i = 1; i <= kWrites; ++i) {
      const std::string value = std::to_string(i);
      EXPECT_EQ(lines.count(writer + ("-" + value) + "\tdword\t" + value), 1u) << writer << i;
    }
  }
}

TEST_F(ZefoRegProgramTest, BadDwordIsRefusedWithExit2) {
  for (const char* bad : {"twelve", "4294967296", "-1"}) {
    const Outcome result =
        Reg({"set", "HKCU\\Software\\Tavrin\\Zlauncher", "VERSION", "dword", bad});
    EXPECT_EQ(result.status, 2) << bad;
    EXPECT_THAT(result.err, HasSubstr("zefo-reg: bad DWORD \"" + std::string(bad) +
                                      "\": use a decimal number from 0 to 4294967295"));
    EXPECT_THAT(result.err, HasSubstr("usage: zefo-reg"));
  }
  const Outcome get = Reg({"get", "HKCU\\Software\\Tavrin\\Zlauncher"});
  EXPECT_EQ(get.status, 1);
  EXPECT_EQ(get.err, "zefo-reg: key not found: HKCU\\Software\\Tavrin\\Zlauncher\n");
  EXPECT_EQ(Reg({}).status, 2);
}

}  // namespace
}  // namespace zefo

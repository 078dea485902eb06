// The process tests start copies of this test program under other names and
// have them run one of the ProcessHelper cases below, which are disabled in
// normal runs.
#include "updater/sys/process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include "updater/sys/file_system.h"
#include "updater/sys/last_error.h"
#include "updater/sys/text.h"

#ifdef _WIN32
#include <windows.h>
// After windows.h:
#include <shellapi.h>
#else
#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace zefo {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

constexpr char kRecordVariable[] = "ZEFO_TEST_RECORD";

unsigned ProcessId() {
#ifdef _WIN32
  return GetCurrentProcessId();
#else
  return static_cast<unsigned>(getpid());
#endif
}

fs::path OwnExecutable() {
#ifdef _WIN32
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return fs::path(path);
#else
  return fs::read_symlink("/proc/self/exe");
#endif
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// A folder of its own under the system's temporary folder.
class TempFolder {
 public:
  TempFolder() {
    static std::atomic<int> counter{0};
    path_ = fs::temp_directory_path() /
            ("zefo-process-" + std::to_string(ProcessId()) + "-" + std::to_string(counter++));
    fs::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

// A copy of this test program at `path`.
void CopySelf(const fs::path& path) {
  fs::create_directories(path.parent_path());
  fs::copy_file(OwnExecutable(), path);
}

std::vector<std::wstring> HelperArguments(const char* helper) {
  return {L"--gtest_filter=ProcessHelper.DISABLED_" + ToWideString(helper),
          L"--gtest_also_run_disabled_tests", L"--gtest_brief=1"};
}

#ifdef _WIN32
const std::string kKilled = "exit 9";
#else
const std::string kKilled = "signal 9";
#endif

// A copy of this program running one helper, started directly (not through
// the code under test); ended and waited for at the latest by the destructor.
class Child {
 public:
  Child(const fs::path& program, const char* helper) {
#ifdef _WIN32
    std::wstring commandLine = L"\"" + program.wstring() + L"\"";
    for (const std::wstring& argument : HelperArguments(helper)) commandLine += L" " + argument;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    started_ = CreateProcessW(program.wstring().c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                              0, nullptr, nullptr, &startup, &info) != FALSE;
    if (started_) {
      CloseHandle(info.hThread);
      process_ = info.hProcess;
    }
#else
    std::vector<std::string> arguments{program.string()};
    for (const std::wstring& argument : HelperArguments(helper)) {
      arguments.push_back(ToNarrowString(argument));
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(&argument[0]);
    argv.push_back(nullptr);
    started_ = posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) == 0;
#endif
  }
  ~Child() {
    if (started_ && !ending_) {
      End();
      Wait();
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool Started() const { return started_; }

  // "exit N" or "signal N" once the child has ended.
  std::string Wait() {
    if (ending_) return *ending_;
#ifdef _WIN32
    DWORD code = 0;
    if (WaitForSingleObject(process_, 120000) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process_, &code)) {
      return "still running";
    }
    CloseHandle(process_);
    ending_ = "exit " + std::to_string(code);
#else
    int status = 0;
    if (waitpid(pid_, &status, 0) != pid_) return "not waitable";
    ending_ = WIFSIGNALED(status) ? "signal " + std::to_string(WTERMSIG(status))
                                  : "exit " + std::to_string(WEXITSTATUS(status));
#endif
    return *ending_;
  }

  // Ends the child in a way TerminateProcessesByName does not.
  void End() {
#ifdef _WIN32
    TerminateProcess(process_, 1);
#else
    kill(pid_, SIGTERM);
#endif
  }

 private:
  bool started_ = false;
  std::optional<std::string> ending_;
#ifdef _WIN32
  HANDLE process_ = nullptr;
#else
  pid_t pid_ = -1;
#endif
};

#ifdef _WIN32
const std::string kEnded = "exit 1";
#else
const std::string kEnded = "signal 15";
#endif

// ---- Helpers run by the copies ----

TEST(ProcessHelper, DISABLED_Sleep) { SleepMilliseconds(60000); }

TEST(ProcessHelper, DISABLED_TerminateOwnName) {
  TerminateProcessesByName(OwnExecutable().filename().wstring());
}

// Writes the arguments, one a line, and what the program found around it to
// the file named by ZEFO_TEST_RECORD.
TEST(ProcessHelper, DISABLED_Record) {
  const char* target = std::getenv(kRecordVariable);
  ASSERT_NE(target, nullptr);
  const fs::path file(target);
  {
    std::ofstream out(file.string() + ".part", std::ios::binary);
    for (const std::wstring& argument : ProgramArguments()) out << ToNarrowString(argument) << "\n";
    out << "cwd=" << ToNarrowString(CurrentFolder()) << "\n";
#ifndef _WIN32
    out << "stdin=" << fs::read_symlink("/proc/self/fd/0").string() << "\n";
    out << "fd100=" << (fcntl(100, F_GETFD) == -1 ? "closed" : "open") << "\n";
    out << "session=" << getsid(0) << "\n";
#endif
  }
  fs::rename(file.string() + ".part", file);
}

// ---- Tests ----

TEST(SplitCommandLineTest, SplitsAsWindowsDoes) {
  struct Case {
    const wchar_t* text;
    std::vector<std::wstring> arguments;
  };
  const Case cases[] = {
      {L"", {}},
      {L"   \t ", {}},
      {L"ZEFO_Starter ", {L"ZEFO_Starter"}},
      {L"ZEFO_Starter A B", {L"ZEFO_Starter", L"A", L"B"}},
      {L"  a\t\tb  ", {L"a", L"b"}},
      {L"\"with space\" x", {L"with space", L"x"}},
      {L"a\"b c\"d", {L"ab cd"}},
      {L"\"\"", {L""}},
      {L"\"\" \"\"", {L"", L""}},
      {L"\"unclosed arg", {L"unclosed arg"}},
      {L"C:\\Games\\Tavrin\\ next", {L"C:\\Games\\Tavrin\\", L"next"}},
      {L"a\\\\b", {L"a\\\\b"}},
      {L"a\\\"b", {L"a\"b"}},
      {L"a\\\\\"b c\"", {L"a\\b c"}},
      {L"a\\\\\\\"b", {L"a\\\"b"}},
      {L"\"a\\\\\" b", {L"a\\", L"b"}},
      {L"\"C:\\Path\\\\\" next", {L"C:\\Path\\", L"next"}},
      {L"\"a\"\"b\"", {L"a\"b"}},
      {L"\"a\"\"b c\"", {L"a\"b", L"c"}},
      {L"\"\"\"a\"\"\"", {L"\"a\""}},
      {L"\"\"\"\"", {L"\""}},
      {L"\"\"\"\"\"\" x", {L"\"\"", L"x"}},
      {L"x:TAVRIN:ABC123 --mode=\"live\"", {L"x:TAVRIN:ABC123", L"--mode=live"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitCommandLine(c.text), c.arguments) << ToNarrowString(c.text);
#ifdef _WIN32
    // The same as the shell's own split of the arguments after a program name.
    int count = 0;
    wchar_t** argv = CommandLineToArgvW((std::wstring(L"prog ") + c.text).c_str(), &count);
    ASSERT_NE(argv, nullptr);
    const std::vector<std::wstring> shell(argv + 1, argv + count);
    LocalFree(argv);
    EXPECT_EQ(SplitCommandLine(c.text), shell) << ToNarrowString(c.text);
#endif
  }
}

TEST(ProgramArgumentsTest, SetArgumentsAreTheProgramsArguments) {
  SetProgramArguments({L"x:TAVRIN:ABC", L"ZEFO_Restart", L""});
  EXPECT_THAT(ProgramArguments(), ElementsAre(L"x:TAVRIN:ABC", L"ZEFO_Restart", L""));
}

TEST(GetModuleFolderTest, IsTheFolderOfThisProgram) {
  const std::wstring folder = GetModuleFolder();
  ASSERT_FALSE(folder.empty());
#ifdef _WIN32
  EXPECT_EQ(folder.back(), L'\\');
#else
  EXPECT_EQ(folder.back(), L'/');
#endif
  EXPECT_TRUE(fs::equivalent(NativeFsPath(folder) / OwnExecutable().filename(), OwnExecutable()));
}

class StartProgramTest : public ::testing::Test {
 protected:
  StartProgramTest() : record_(folder_.Path() / "record.txt") {
#ifdef _WIN32
    SetEnvironmentVariableA(kRecordVariable, record_.string().c_str());
#else
    setenv(kRecordVariable, record_.string().c_str(), 1);
#endif
  }

  // The helper's arguments first, then `extra`.
  static std::wstring Parameters(const std::wstring& extra) {
    std::wstring text;
    for (const std::wstring& argument : HelperArguments("Record")) text += argument + L" ";
    return text + extra;
  }

  // The lines the started copy recorded, once it has (up to two minutes).
  std::vector<std::string> Record() {
    for (int i = 0; i < 1200 && !fs::exists(record_); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return Lines(ReadFile(record_));
  }

  // Arguments after the helper's own, and the lines after them.
  static std::vector<std::string> AfterHelperArguments(const std::vector<std::string>& lines) {
    const std::size_t skip = HelperArguments("Record").size();
    return lines.size() < skip ? lines
                               : std::vector<std::string>(lines.begin() + skip, lines.end());
  }

  TempFolder folder_;
  fs::path record_;
};

std::string FolderText(const fs::path& path) { return fs::canonical(path).string(); }

TEST_F(StartProgramTest, StartsARelativeFileOfTheCurrentFolderWithSplitParameters) {
  // A name of its own: other tests end processes named "ZLauncher.exe".
  const std::wstring name = L"ZLauncher." + std::to_wstring(ProcessId()) + L".exe";
  CopySelf(folder_.Path() / "x64" / name);
  const std::wstring previous = CurrentFolder();
  ASSERT_TRUE(SetCurrentFolder(folder_.Path().wstring()));
  const bool started = StartProgram(
      L"x64\\" + name, Parameters(L"ZEFO_Starter plain \"with space\" a\\\\\\\"b \"\" end"), L"");
  ASSERT_TRUE(SetCurrentFolder(previous));
  ASSERT_TRUE(started);
#ifndef _WIN32
  // Started detached: no child of ours is left to reap.
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
#endif

  const std::vector<std::string> record = AfterHelperArguments(Record());
  ASSERT_GE(record.size(), 7u);
  EXPECT_THAT(std::vector<std::string>(record.begin(), record.begin() + 7),
              ElementsAre("ZEFO_Starter", "plain", "with space", "a\\\"b", "", "end",
                          "cwd=" + FolderText(folder_.Path())));
}

TEST_F(StartProgramTest, RunsInTheGivenFolder) {
  CopySelf(folder_.Path() / "Launcher" / "bin" / "Tool.exe");
  const fs::path launcher = folder_.Path() / "Launcher";
  // Letter case does not matter, as on Windows.
  ASSERT_TRUE(StartProgram(L"BIN\\tool.EXE", Parameters(L"one"), launcher.wstring()));
  const std::vector<std::string> record = AfterHelperArguments(Record());
  ASSERT_GE(record.size(), 2u);
  EXPECT_THAT(std::vector<std::string>(record.begin(), record.begin() + 2),
              ElementsAre("one", "cwd=" + FolderText(launcher)));
}

#ifndef _WIN32

TEST_F(StartProgramTest, StartedProgramGetsNothingOfOurs) {
  CopySelf(folder_.Path() / "Tool.exe");
  // A descriptor without close-on-exec, like a single-instance socket.
  const int open = ::open("/dev/null", O_RDONLY);
  ASSERT_GE(open, 0);
  ASSERT_EQ(dup2(open, 100), 100);
  close(open);
  const bool started = StartProgram(L"Tool.exe", Parameters(L""), folder_.Path().wstring());
  close(100);
  ASSERT_TRUE(started);
  const std::vector<std::string> record = Record();
  EXPECT_THAT(record, ::testing::Contains("stdin=/dev/null"));
  EXPECT_THAT(record, ::testing::Contains("fd100=closed"));
  EXPECT_THAT(record, ::testing::Not(::testing::Contains("session=" + std::to_string(getsid(0)))));
}

TEST_F(StartProgramTest, FailsForMissingOrNonExecutableFiles) {
  SetLastErrorCode(0);
  EXPECT_FALSE(StartProgram(L"Missing.exe", L"", folder_.Path().wstring()));
  EXPECT_EQ(LastErrorCode(), static_cast<std::uint32_t>(ENOENT));
  std::ofstream(folder_.Path() / "Plain.exe") << "data";
  fs::permissions(folder_.Path() / "Plain.exe", fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_FALSE(StartProgram(L"Plain.exe", L"", folder_.Path().wstring()));
  EXPECT_EQ(LastErrorCode(), static_cast<std::uint32_t>(EACCES));
  EXPECT_FALSE(StartProgram(L"", L"", L""));
  CopySelf(folder_.Path() / "Tool.exe");
  EXPECT_FALSE(StartProgram(L"Tool.exe", L"", (folder_.Path() / "NoSuchFolder").wstring()));
  // Nothing is left behind by the failed starts.
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
}

#endif

class TerminateTest : public ::testing::Test {
 protected:
  // Names of this process's own, so that parallel tests keep out of each other's way.
  const std::wstring name_ = L"ZLauncher." + std::to_wstring(ProcessId()) + L".exe";
  TempFolder folder_;
};

TEST_F(TerminateTest, EndsEveryProcessOfTheNameWithCode9) {
  const fs::path program = folder_.Path() / "a" / name_;
  CopySelf(program);
  Child first(program, "Sleep");
  Child second(program, "Sleep");
  ASSERT_TRUE(first.Started() && second.Started());
  TerminateProcessesByName(name_);
  EXPECT_EQ(first.Wait(), kKilled);
  EXPECT_EQ(second.Wait(), kKilled);
}

TEST_F(TerminateTest, NameMustMatchExactly) {
  std::wstring otherCase = name_;
  otherCase[0] = L'z';
  const fs::path program = folder_.Path() / "a" / name_;
  CopySelf(program);
  Child child(program, "Sleep");
  ASSERT_TRUE(child.Started());
  TerminateProcessesByName(otherCase);
  TerminateProcessesByName(name_.substr(0, name_.size() - 4));
  TerminateProcessesByName(L"");
  // Had any of them hit, the child would have ended by then with code 9.
  child.End();
  EXPECT_EQ(child.Wait(), kEnded);
}

TEST_F(TerminateTest, NeverEndsTheCallingProcess) {
  // A copy of this program ends every process of its own name: its twin,
  // but not itself.
  const fs::path twin = folder_.Path() / "a" / name_;
  const fs::path caller = folder_.Path() / "b" / name_;
  CopySelf(twin);
  CopySelf(caller);
  Child sleeping(twin, "Sleep");
  Child terminating(caller, "TerminateOwnName");
  ASSERT_TRUE(sleeping.Started() && terminating.Started());
  EXPECT_EQ(terminating.Wait(), "exit 0");
  EXPECT_EQ(sleeping.Wait(), kKilled);
}

#ifndef _WIN32
TEST_F(TerminateTest, FindsProgramsWhoseFileWasReplaced) {
  const fs::path program = folder_.Path() / "a" / name_;
  CopySelf(program);
  Child child(program, "Sleep");
  ASSERT_TRUE(child.Started());
  fs::remove(program);  // the update moved the file aside or removed it
  TerminateProcessesByName(name_);
  EXPECT_EQ(child.Wait(), kKilled);
}
#endif

}  // namespace
}  // namespace zefo

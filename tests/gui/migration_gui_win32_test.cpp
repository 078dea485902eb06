// The real TavrinMigration.exe on the virtual display: its dialog as the user
// sees it (checked at key pixels and saved for the documentation), closing by
// itself once the migration is done, and the game keys it wrote from the
// older launchers' URL protocol registrations prepared in the prefix.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/gui/gui_driver_win32.h"
#include "tests/gui/program_folder_win32.h"
#include "tests/gui/screen_picture_win32.h"
#include "tests/support/child_program.h"
#include "tests/support/test_folders.h"

namespace zefo::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace gui;

const fs::path kMigrationProgram = HostPath(ZEFO_MIGRATION_PROGRAM);
const fs::path kScreenshots = HostPath(ZEFO_SCREENSHOT_DIR);

constexpr int kLabelId = 1003;
constexpr Rgb kFill{36, 37, 38};
constexpr Rgb kLabelColour{253, 254, 255};
// 500 ms before the table and 3,000 ms after it.
constexpr auto kLeastRunTime = 3400ms;
constexpr auto kRunLimit = 60s;

constexpr wchar_t kGamesKey[] = L"SOFTWARE\\Tavrin\\kr";
// Rows of the game table the test installs, and one it registers beforehand.
constexpr wchar_t kIronHarborProtocol[] = L"tavrin.iron-harbor.launcher";
constexpr wchar_t kOxaProtocol[] = L"tavrin.oxamar.launcher.live";
constexpr wchar_t kMirefallProtocol[] = L"tavrin.mf.launcher";

// An open registry key, closed when the object goes.
class RegKey {
 public:
  static RegKey Create(HKEY root, const std::wstring& path) {
    RegKey key;
    RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key.key_,
                    nullptr);
    return key;
  }
  static RegKey Open(HKEY root, const std::wstring& path) {
    RegKey key;
    RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key.key_);
    return key;
  }
  RegKey(RegKey&& other) noexcept : key_(other.key_) { other.key_ = nullptr; }
  RegKey& operator=(RegKey&&) = delete;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  ~RegKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }

  explicit operator bool() const { return key_ != nullptr; }

  bool SetText(const wchar_t* name, const std::wstring& text) {
    return RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  }
  // The value's type and bytes; nothing when it is missing.
  std::optional<std::pair<DWORD, std::vector<BYTE>>> Value(const wchar_t* name) const {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    std::vector<BYTE> data(size);
    if (RegQueryValueExW(key_, name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) return std::nullopt;
    data.resize(size);
    return std::make_pair(type, data);
  }
  std::optional<std::wstring> Text(const wchar_t* name) const {
    const auto value = Value(name);
    if (!value || value->first != REG_SZ || value->second.size() % 2 != 0) return std::nullopt;
    std::wstring text(reinterpret_cast<const wchar_t*>(value->second.data()), value->second.size() / 2);
    if (text.empty() || text.back() != L'\0') return std::nullopt;  // stored with its terminator
    text.pop_back();
    return text;
  }
  std::optional<std::uint64_t> Number(const wchar_t* name, DWORD type) const {
    const auto value = Value(name);
    const std::size_t size = type == REG_DWORD ? 4 : 8;
    if (!value || value->first != type || value->second.size() != size) return std::nullopt;
    std::uint64_t number = 0;
    for (std::size_t i = 0; i < size; ++i) number |= static_cast<std::uint64_t>(value->second[i]) << (8 * i);
    return number;
  }
  DWORD ValueCount() const {
    DWORD count = 0;
    RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                     nullptr);
    return count;
  }

 private:
  RegKey() = default;
  HKEY key_ = nullptr;
};

// What an older launcher's installer registers: the open command of its URL
// protocol. Written through HKEY_CLASSES_ROOT itself: Wine's view of it holds
// the machine's classes only, without the user's Software\Classes.
void RegisterProtocol(const std::wstring& protocol, const std::wstring& command) {
  RegKey key = RegKey::Create(HKEY_CLASSES_ROOT, protocol + L"\\shell\\open\\command");
  ASSERT_TRUE(key);
  ASSERT_TRUE(key.SetText(nullptr, command));
}

std::wstring Quoted(const fs::path& path) { return L"\"" + path.wstring() + L"\""; }

class MigrationGuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CanMakeWindows()) << kNoWindowsMessage;
    ParkPointer();
    RemoveRegistrations();
  }
  void TearDown() override { RemoveRegistrations(); }

  static void RemoveRegistrations() {
    RegDeleteTreeW(HKEY_CURRENT_USER, kGamesKey);
    for (const wchar_t* protocol : {kIronHarborProtocol, kOxaProtocol, kMirefallProtocol}) {
      RegDeleteTreeW(HKEY_CLASSES_ROOT, protocol);
    }
  }

  TempFolder games_;
};

TEST_F(MigrationGuiTest, DialogShowsItsLabelOnTheDarkFillClosesByItselfAndRegistersTheGames) {
  const fs::path ironHarbor = games_.path() / "Iron Harbor";
  WriteFileBytes(ironHarbor / "PatchInfo" / "Patch.ini", "[Info]\r\nversion=1052\r\nbuild=7\r\n");
  RegisterProtocol(kIronHarborProtocol, Quoted(ironHarbor / "HarborLauncher.exe") + L" \"%1\"");
  const fs::path oxa = games_.path() / "Oxa";
  RegisterProtocol(kOxaProtocol, Quoted(oxa / "Launcher" / "OxaLauncher.exe") + L" \"%1\"");
  // Registered before: the migration never changes an existing key.
  RegisterProtocol(kMirefallProtocol, Quoted(games_.path() / "Mirefall" / "Mire.exe") + L" \"%1\"");
  ASSERT_TRUE(RegKey::Create(HKEY_CURRENT_USER, std::wstring(kGamesKey) + L"\\mirefall"));

  const std::int64_t before = std::time(nullptr);
  const auto started = std::chrono::steady_clock::now();
  ChildProgram migration(kMigrationProgram, {}, games_.path());
  const HWND dialog = WaitForWindow(migration.id(), IsMigrationDialog, 30s);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(Text(Control(dialog, kLabelId)), L"Scanning ZEFO KR");
  EXPECT_FALSE(IsShown(Control(dialog, IDOK)));

  // The dark fill everywhere around the logo and the label, the label in
  // near-white straight on it (no lighter box behind it).
  const RECT frame = ScreenRect(dialog);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const RECT label = RectInParent(Control(dialog, kLabelId));
  const POINT fillPoints[] = {{1, 1}, {width - 2, 1}, {1, height - 2}, {width - 2, height - 2}, {width / 2, 5},
                              {label.left + 1, label.top + 1}, {label.right - 2, label.bottom - 2}};
  auto labelPixels = [&](const ScreenPicture& p) {
    int count = 0;
    for (int y = label.top; y < label.bottom; ++y) {
      for (int x = label.left; x < label.right; ++x) count += p.At(x, y) == kLabelColour;
    }
    return count;
  };
  ScreenPicture picture;
  WaitUntil(
      [&] {
        picture = ScreenPicture::Capture(frame);
        for (const POINT& point : fillPoints) {
          if (picture.At(point.x, point.y) != kFill) return false;
        }
        return labelPixels(picture) > 20;
      },
      10s);
  for (const POINT& point : fillPoints) {
    EXPECT_EQ(Describe(picture.At(point.x, point.y)), Describe(kFill)) << point.x << ", " << point.y;
  }
  EXPECT_GT(labelPixels(picture), 20);
  EXPECT_TRUE(picture.SavePng(kScreenshots / "migration-dialog.png"));

  EXPECT_EQ(migration.WaitForEnd(kRunLimit), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - started, kLeastRunTime);
  const std::int64_t after = std::time(nullptr);

  const RegKey harbor = RegKey::Open(HKEY_CURRENT_USER, std::wstring(kGamesKey) + L"\\iron-harbor");
  ASSERT_TRUE(harbor);
  EXPECT_EQ(harbor.Text(L"PATH"), ironHarbor.wstring() + L"\\");
  EXPECT_EQ(harbor.Text(L"FILENAME"), L"IronHarbor.exe");
  EXPECT_EQ(harbor.Number(L"VERSION", REG_DWORD), 1052u);
  const auto stamp = harbor.Number(L"ZEFOTIME", REG_QWORD);
  ASSERT_TRUE(stamp);
  EXPECT_GE(static_cast<std::int64_t>(*stamp), before - 60);
  EXPECT_LE(static_cast<std::int64_t>(*stamp), after - 60);

  const RegKey oxaKey = RegKey::Open(HKEY_CURRENT_USER, std::wstring(kGamesKey) + L"\\oxa");
  ASSERT_TRUE(oxaKey);
  EXPECT_EQ(oxaKey.Text(L"PATH"), oxa.wstring() + L"\\");
  EXPECT_EQ(oxaKey.Text(L"FILENAME"), L"OxaLauncher.exe");
  EXPECT_EQ(oxaKey.Number(L"VERSION", REG_DWORD), 0u);

  EXPECT_EQ(RegKey::Open(HKEY_CURRENT_USER, std::wstring(kGamesKey) + L"\\mirefall").ValueCount(), 0u);
  EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, std::wstring(kGamesKey) + L"\\sky-garden"));
}

}  // namespace
}  // namespace zefo::testing

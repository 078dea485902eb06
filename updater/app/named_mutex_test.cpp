#include "updater/app/named_mutex.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace zefo {
namespace {

// A name no other process uses.
std::wstring UniqueName() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  return L"<<< zefo named mutex test " + std::to_wstring(now) + L" >>>";
}

TEST(NamedMutexTest, ExistsWhileAHandleIsOpen) {
  const std::wstring name = UniqueName();
  bool existed = true;
  auto first = CreateNamedMutex(name, existed);
  ASSERT_NE(first, nullptr);
  EXPECT_FALSE(existed);

  CreateNamedMutex(name, existed);
  EXPECT_TRUE(existed);

  first.reset();
  auto again = CreateNamedMutex(name, existed);
  EXPECT_NE(again, nullptr);
  EXPECT_FALSE(existed);
}

}  // namespace
}  // namespace zefo

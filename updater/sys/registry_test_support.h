// Test support: a key of its own under HKCU\Software\ZefoTest for each test,
// deleted afterwards; on Linux the whole test program works on a private
// database (see registry_store_test.cpp).
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "updater/sys/registry_store.h"

namespace zefo {

class RegistryTest : public ::testing::Test {
 protected:
  RegistryTest();
  ~RegistryTest() override;

  RegistryStore& store_;
  // Unique for this process and test: Software\ZefoTest\<pid>-<n>.
  const std::wstring path_;
};

}  // namespace zefo

// Helpers of the kill tests: a program killed with SIGKILL once a condition
// on its folder or output holds, and the end of every process left running
// in a folder (such as an updater that restarted itself, detached).
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "tests/app/child_process.h"

namespace zefo::testing {

// Polls `reached` (given the time since the call) about every millisecond while `child` runs and kills it
// with SIGKILL as soon as it holds. True when the kill hit the running child;
// false when the child ended first (or `limit` passed, then it is killed too).
bool KillWhen(ChildProcess& child, const std::function<bool(std::chrono::milliseconds)>& reached,
              std::chrono::milliseconds limit);

// The kill tests poll: on a busy machine a run may pass a short point unseen
// and end. Calls `tryOnce` (which sets its scene afresh, runs and kills, and
// says whether its kills hit) until one hits, at most five times.
// True when one did.
bool HitWithinTries(const std::function<bool()>& tryOnce);

// SIGKILLs every process whose working folder or executable lies in `folder`
// and waits until they are gone.
void KillProcessesIn(const std::filesystem::path& folder);

// The whole file, read in large pieces (a big program file takes long
// character by character in a build without optimisation); "" when missing.
std::string ReadWholeFile(const std::filesystem::path& file);

// The size of a file, 0 when it is missing.
std::uintmax_t SizeOf(const std::filesystem::path& file);

}  // namespace zefo::testing

// The adapters store errno (or one of the ranges of last_error.h) here.
#include "updater/sys/last_error.h"

namespace zefo {
namespace {

thread_local std::uint32_t lastError = 0;

}  // namespace

std::uint32_t LastErrorCode() { return lastError; }

void SetLastErrorCode(std::uint32_t code) { lastError = code; }

}  // namespace zefo

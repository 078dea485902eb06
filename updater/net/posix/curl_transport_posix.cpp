#include "updater/net/posix/curl_transport_posix.h"

#include <sys/prctl.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <thread>

#include "updater/net/download.h"
#include "updater/net/posix/curl_share_posix.h"
#include "updater/sys/file_helpers.h"
#include "updater/sys/file_system.h"
#include "updater/sys/last_error.h"
#include "updater/sys/text.h"

namespace zefo {
namespace {

// The direct transfer reads pieces of at most 8 KiB, as the protocol asks;
// the system transfer has no such bound and takes larger ones, which cost
// fewer calls on large files. Both write through a buffer of this size.
constexpr long kDirectPieceSize = 8192;
constexpr long kSystemPieceSize = 64 * 1024;
constexpr std::size_t kWriteBufferSize = 64 * 1024;
constexpr char kDirectAgent[] = "URL File Downloader";

enum class Route { kSystem, kDirect };

bool Accepted(Route route, long status) {
  return route == Route::kDirect ? status == 200 : status >= 200 && status <= 299;
}

// The destination file, opened only once the answer is known to be accepted,
// so a refused answer leaves no file behind.
class FileSink {
 public:
  FileSink(CURL* curl, const std::wstring& path, Route route)
      : curl_(curl), path_(path), route_(route) {}

  static size_t Receive(char* data, size_t size, size_t count, void* self) {
    return static_cast<FileSink*>(self)->Write(data, size * count);
  }

  // For an accepted answer whose body was empty.
  bool OpenIfNeeded() { return file_ || Open(); }

  // Writes what is buffered; false (error() tells why) when the disk refuses it.
  bool Finish() {
    if (std::fflush(file_.get()) == 0) return true;
    error_ = static_cast<std::uint32_t>(errno);
    return false;
  }

  // The last error to report when the sink stopped the transfer; 0 if it did not.
  std::uint32_t error() const { return error_; }

 private:
  size_t Write(const char* data, size_t bytes) {
    if (!file_) {
      long status = 0;
      curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &status);
      if (!Accepted(route_, status)) {
        error_ = kErrorHttpStatusBase + static_cast<std::uint32_t>(status);
        return 0;
      }
      if (!Open()) return 0;
    }
    if (std::fwrite(data, 1, bytes, file_.get()) != bytes) {
      error_ = static_cast<std::uint32_t>(errno);
      return 0;
    }
    return bytes;
  }

  bool Open() {
    if (route_ == Route::kDirect) {
      char narrow[kTextBufferSize];
      if (!ToNarrow(path_.c_str(), narrow, sizeof narrow)) {
        error_ = ToErrorCode(ZefoError::kPathTooLong);
        return false;
      }
      MakeDirectories(narrow, '/');
    }
    file_ = OpenForWriting(path_);
    if (!file_) {
      error_ = LastErrorCode();
      return false;
    }
    std::setvbuf(file_.get(), nullptr, _IOFBF, kWriteBufferSize);
    return true;
  }

  CURL* curl_;
  const std::wstring& path_;
  Route route_;
  FileHandle file_;
  std::uint32_t error_ = 0;
};

// Whether the head of the last answer ended with its blank line. libcurl
// takes a connection closed in the middle of the head as the end of an answer
// without a body, which would leave an empty file reported as fetched.
class HeadWatch {
 public:
  static size_t Receive(char* data, size_t size, size_t count, void* self) {
    const std::string_view line(data, size * count);
    auto* watch = static_cast<HeadWatch*>(self);
    // Each answer of a redirect or an interim status starts a head of its own.
    if (line.rfind("HTTP/", 0) == 0) watch->complete_ = false;
    if (line == "\r\n" || line == "\n") watch->complete_ = true;
    return size * count;
  }
  bool complete() const { return complete_; }

 private:
  bool complete_ = false;
};

// Failures that say the connection broke under the request.
bool ConnectionBroke(CURLcode result) {
  return result == CURLE_GOT_NOTHING || result == CURLE_SEND_ERROR ||
         result == CURLE_RECV_ERROR || result == CURLE_PARTIAL_FILE;
}

enum class Outcome { kDone, kFailed, kBrokenKeptAlive };

// One request on a handle whose options are set; the reason of a failure is
// left in the thread's last error.
Outcome Perform(CURL* c, const std::wstring& path, Route route) {
  FileSink sink(c, path, route);
  HeadWatch head;
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(c, CURLOPT_HEADERDATA, &head);
  CURLcode result = curl_easy_perform(c);
  if (result == CURLE_OK && !head.complete()) result = CURLE_GOT_NOTHING;
  long status = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
  if (result == CURLE_OK) {
    if (!Accepted(route, status)) {
      SetLastErrorCode(kErrorHttpStatusBase + static_cast<std::uint32_t>(status));
      return Outcome::kFailed;
    }
    if (sink.OpenIfNeeded() && sink.Finish()) return Outcome::kDone;
    SetLastErrorCode(sink.error());
    return Outcome::kFailed;
  }
  if (sink.error() != 0) {
    SetLastErrorCode(sink.error());
    return Outcome::kFailed;
  }
  if (result == CURLE_HTTP_RETURNED_ERROR) {
    SetLastErrorCode(kErrorHttpStatusBase + static_cast<std::uint32_t>(status));
    return Outcome::kFailed;
  }
  SetLastErrorCode(kErrorCurlBase + static_cast<std::uint32_t>(result));
  long newConnections = 0;
  curl_easy_getinfo(c, CURLINFO_NUM_CONNECTS, &newConnections);
  return ConnectionBroke(result) && newConnections == 0 ? Outcome::kBrokenKeptAlive
                                                        : Outcome::kFailed;
}

bool Transfer(const std::wstring& url, const std::wstring& path, Route route,
              long lowSpeedTimeSeconds) {
  SharedCurlEasy curl = NewSharedCurlEasy();
  if (!curl) {
    SetLastErrorCode(kErrorCurlBase + CURLE_FAILED_INIT);
    return false;
  }
  CURL* c = curl.get();
  const std::string narrowUrl = ToNarrowString(url);
  CurlList headers;
  SetGetOptions(c, narrowUrl.c_str(), lowSpeedTimeSeconds);
  curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(c, CURLOPT_BUFFERSIZE, route == Route::kDirect ? kDirectPieceSize : kSystemPieceSize);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &FileSink::Receive);
  curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &HeadWatch::Receive);
  if (route == Route::kDirect) {
    // Straight to the server, past every proxy and cache; no validators are
    // sent, so the server cannot answer 304.
    curl_easy_setopt(c, CURLOPT_PROXY, "");
    curl_easy_setopt(c, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(c, CURLOPT_USERAGENT, kDirectAgent);
    headers.reset(curl_slist_append(nullptr, "Cache-Control: no-cache"));
    if (headers) curl_slist_append(headers.get(), "Pragma: no-cache");
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
  }

  Outcome outcome = Perform(c, path, route);
  if (outcome == Outcome::kBrokenKeptAlive) {
    // The server closed a kept-alive connection while the request was on it.
    // libcurl asks again by itself only when nothing at all came back; a
    // fresh connection would have fetched the file, so this one tries it.
    curl_easy_setopt(c, CURLOPT_FRESH_CONNECT, 1L);
    outcome = Perform(c, path, route);
  }
  return outcome == Outcome::kDone;
}

}  // namespace

bool CurlTransport::SystemTransfer(const std::wstring& url, const std::wstring& path) {
  return Transfer(url, path, Route::kSystem, lowSpeedTimeSeconds_);
}

bool CurlTransport::DirectTransfer(const std::wstring& url, const std::wstring& path) {
  return Transfer(url, path, Route::kDirect, lowSpeedTimeSeconds_);
}

void CurlTransport::PurgeUrlCache(const std::wstring& url) { zefo::PurgeUrlCache(url); }

void CurlTransport::Pause() {
  // The protocol's pauses are 1 ms each, thousands of them in a large update;
  // the thread's default timer slack (50 us, more on a busy machine) would
  // stretch every one. Set once per thread; the other pauses of the same
  // worker thread are kept short by it too.
  thread_local const bool precise = prctl(PR_SET_TIMERSLACK, 1UL) == 0;
  static_cast<void>(precise);
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

Transport& PlatformTransport() {
  static CurlTransport transport;
  return transport;
}

// Linux keeps no URL cache.
void PurgeUrlCache(const std::wstring&) {}

}  // namespace zefo

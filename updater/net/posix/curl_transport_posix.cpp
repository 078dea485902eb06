#include "updater/net/posix/curl_transport_posix.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <thread>

#include "updater/net/download.h"
#include "updater/sys/file_helpers.h"
#include "updater/sys/file_system.h"
#include "updater/sys/last_error.h"
#include "updater/sys/text.h"

namespace zefo {
namespace {

constexpr long kPieceSize = 8192;
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
    if (!file_) error_ = LastErrorCode();
    return static_cast<bool>(file_);
  }

  CURL* curl_;
  const std::wstring& path_;
  Route route_;
  FileHandle file_;
  std::uint32_t error_ = 0;
};

bool Transfer(const std::wstring& url, const std::wstring& path, Route route,
              long lowSpeedTimeSeconds) {
  CurlEasy curl = NewCurlEasy();
  if (!curl) {
    SetLastErrorCode(kErrorCurlBase + CURLE_FAILED_INIT);
    return false;
  }
  CURL* c = curl.get();
  const std::string narrowUrl = ToNarrowString(url);
  FileSink sink(c, path, route);
  CurlList headers;
  SetGetOptions(c, narrowUrl.c_str(), lowSpeedTimeSeconds);
  curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(c, CURLOPT_BUFFERSIZE, kPieceSize);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &FileSink::Receive);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
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

  const CURLcode result = curl_easy_perform(c);
  long status = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
  if (result == CURLE_OK) {
    if (!Accepted(route, status)) {
      SetLastErrorCode(kErrorHttpStatusBase + static_cast<std::uint32_t>(status));
      return false;
    }
    if (sink.OpenIfNeeded() && sink.Finish()) return true;
    SetLastErrorCode(sink.error());
    return false;
  }
  if (sink.error() != 0) {
    SetLastErrorCode(sink.error());
  } else if (result == CURLE_HTTP_RETURNED_ERROR) {
    SetLastErrorCode(kErrorHttpStatusBase + static_cast<std::uint32_t>(status));
  } else {
    SetLastErrorCode(kErrorCurlBase + static_cast<std::uint32_t>(result));
  }
  return false;
}

}  // namespace

bool CurlTransport::SystemTransfer(const std::wstring& url, const std::wstring& path) {
  return Transfer(url, path, Route::kSystem, lowSpeedTimeSeconds_);
}

bool CurlTransport::DirectTransfer(const std::wstring& url, const std::wstring& path) {
  return Transfer(url, path, Route::kDirect, lowSpeedTimeSeconds_);
}

void CurlTransport::PurgeUrlCache(const std::wstring& url) { zefo::PurgeUrlCache(url); }

void CurlTransport::Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }

Transport& PlatformTransport() {
  static CurlTransport transport;
  return transport;
}

// Linux keeps no URL cache.
void PurgeUrlCache(const std::wstring&) {}

}  // namespace zefo

// The public address lookup on libcurl: the first piece of the answer only.
#include "updater/net/address_lookup.h"

#include <algorithm>
#include <cstring>

#include "updater/net/posix/curl_easy_posix.h"

namespace zefo {
namespace {

constexpr std::size_t kMaxAnswer = 511;

struct FirstPiece {
  std::string text;
  bool received = false;
};

// Keeps the first piece and stops the transfer at the second.
size_t KeepFirstPiece(char* data, size_t size, size_t count, void* user) {
  auto* piece = static_cast<FirstPiece*>(user);
  if (piece->received) return 0;
  piece->received = true;
  const std::size_t bytes = std::min(size * count, kMaxAnswer);
  piece->text.assign(data, strnlen(data, bytes));
  return size * count;
}

}  // namespace

std::string GetPublicAddressInfo(const std::string& url) {
  const CurlEasy curl = NewCurlEasy();
  if (!curl) return {};
  CURL* c = curl.get();
  FirstPiece piece;
  SetGetOptions(c, url.c_str(), kLowSpeedTimeSeconds);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &KeepFirstPiece);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &piece);
  // Like the single read it stands for, the first piece is the answer whatever
  // happens to the transfer after it; a failure before it leaves "".
  curl_easy_perform(c);
  return piece.text;
}

}  // namespace zefo

// The caller's public address information from the company API.
#pragma once

#include <string>

namespace zefo {

// GET of `url` ("https://<api host>/ipinfo"): the first piece of the answer, at
// most 511 bytes, up to its first zero byte; "" on any failure.
std::string GetPublicAddressInfo(const std::string& url);

}  // namespace zefo

// The parts of the system information that need no system: the Windows
// version table and the texts of the program's own error codes.
#include "updater/sys/system_info.h"

#include <optional>

#include "updater/sys/last_error.h"
#include "updater/sys/system_info_platform.h"

namespace zefo {
namespace {

constexpr std::uint32_t kWorkstation = 1;
constexpr std::uint32_t kFirstWindows11Build = 22000;
constexpr std::uint32_t kRangeMask = 0xFFFF0000;

const char* HttpReasonPhrase(std::uint32_t status) {
  switch (status) {
    case 100: return "Continue";
    case 101: return "Switching Protocols";
    case 200: return "OK";
    case 201: return "Created";
    case 202: return "Accepted";
    case 203: return "Non-Authoritative Information";
    case 204: return "No Content";
    case 205: return "Reset Content";
    case 206: return "Partial Content";
    case 300: return "Multiple Choices";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 305: return "Use Proxy";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 402: return "Payment Required";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 406: return "Not Acceptable";
    case 407: return "Proxy Authentication Required";
    case 408: return "Request Timeout";
    case 409: return "Conflict";
    case 410: return "Gone";
    case 411: return "Length Required";
    case 412: return "Precondition Failed";
    case 413: return "Content Too Large";
    case 414: return "URI Too Long";
    case 415: return "Unsupported Media Type";
    case 416: return "Range Not Satisfiable";
    case 417: return "Expectation Failed";
    case 421: return "Misdirected Request";
    case 422: return "Unprocessable Content";
    case 425: return "Too Early";
    case 426: return "Upgrade Required";
    case 428: return "Precondition Required";
    case 429: return "Too Many Requests";
    case 431: return "Request Header Fields Too Large";
    case 451: return "Unavailable For Legal Reasons";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    case 504: return "Gateway Timeout";
    case 505: return "HTTP Version Not Supported";
    case 511: return "Network Authentication Required";
    default: return nullptr;
  }
}

std::string ZefoErrorText(ZefoError error) {
  switch (error) {
    case ZefoError::kPathTooLong: return "The path is too long.\r\n";
    case ZefoError::kUnsafePath: return "The file name leads outside the program folder.\r\n";
    case ZefoError::kDigestMismatch: return "The file's contents do not match its MD5 digest.\r\n";
    case ZefoError::kBadManifest: return "The file list is cut short or has a bad field.\r\n";
    case ZefoError::kSignatureMissing:
      return "signature missing: no signature of the publisher came with the file.\r\n";
    case ZefoError::kSignatureInvalid:
      return "signature invalid: the file is not signed by the publisher's key.\r\n";
    case ZefoError::kReleaseExpired:
      return "release expired: the published version is past its expiry, or its expiry cannot be read.\r\n";
    case ZefoError::kManifestTooLarge:
      return "The file list is larger than the updater reads (8 MiB, 65535 files).\r\n";
  }
  return "";
}

// The text of a code of the program's own ranges; nothing for other codes.
std::optional<std::string> OwnErrorMessage(std::uint32_t code) {
  const std::uint32_t detail = code & ~kRangeMask;
  switch (code & kRangeMask) {
    case kErrorCurlBase: {
      const std::string text = CurlErrorText(detail);
      return "libcurl error " + std::to_string(detail) + (text.empty() ? "" : ": " + text) + "\r\n";
    }
    case kErrorHttpStatusBase: {
      const char* phrase = HttpReasonPhrase(detail);
      return "HTTP status " + std::to_string(detail) +
             (phrase == nullptr ? std::string() : std::string(" (") + phrase + ")") + "\r\n";
    }
    case kErrorZefoBase: return ZefoErrorText(static_cast<ZefoError>(detail));
    default: return std::nullopt;
  }
}

}  // namespace

std::string WindowsProductName(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                               std::uint32_t productType) {
  const bool workstation = productType == kWorkstation;
  if (major == 10) {
    if (!workstation) return "Windows Server 2016";
    return build < kFirstWindows11Build ? "Windows 10" : "Windows 11";
  }
  if (major == 6) {
    switch (minor) {
      case 0: return workstation ? "Windows Vista" : "Windows Server 2008";
      case 1: return workstation ? "Windows 7" : "Windows Server 2008 R2";
      case 2: return workstation ? "Windows 8" : "Windows Server 2012";
      case 3: return workstation ? "Windows 8.1" : "Windows Server 2012 R2";
      default: return "WIN_ETC";
    }
  }
  if (major == 5) {
    if (minor == 0) return "Windows 2000 ";
    if (minor == 1 || minor == 2) return "Windows XP ";
  }
  return "WIN_ETC";
}

std::string FormatSystemMessage(std::uint32_t code, std::uint32_t languageId) {
  if (auto own = OwnErrorMessage(code)) return *own;
  return PlatformErrorMessage(code, languageId);
}

}  // namespace zefo

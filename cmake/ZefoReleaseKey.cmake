# The publisher's Ed25519 public key that the updater checks every manifest
# against: 64 hexadecimal characters, as `zefo-publish keygen` prints it.
# Empty builds an updater that fetches and checks no signature.
#
# Also runs as a script (cmake -DZEFO_RELEASE_PUBLIC_KEY=... -P this file), so
# the check of a malformed value is tested without configuring a build.
set(ZEFO_RELEASE_PUBLIC_KEY "" CACHE STRING
    "Publisher's Ed25519 public key, 64 hex characters (zefo-publish keygen); empty: unsigned releases")

function(zefo_check_release_key key)
  if(key STREQUAL "")
    return()
  endif()
  string(LENGTH "${key}" length)
  if(NOT length EQUAL 64 OR NOT key MATCHES "^[0-9A-Fa-f]+$")
    message(FATAL_ERROR
      "ZEFO_RELEASE_PUBLIC_KEY must be empty or exactly 64 hexadecimal characters (the public key "
      "`zefo-publish keygen` prints); it is \"${key}\" (${length} characters).")
  endif()
endfunction()

zefo_check_release_key("${ZEFO_RELEASE_PUBLIC_KEY}")
# Lowercase, as the generated header and `zefo-publish verify` compare it.
string(TOLOWER "${ZEFO_RELEASE_PUBLIC_KEY}" ZEFO_RELEASE_PUBLIC_KEY_HEX)

#include "updater/app/launch_token.h"

#include "updater/app/app_names.h"
#include "updater/sys/text.h"

namespace zefo {

bool ParseLaunchToken(const std::vector<std::wstring>& arguments, std::wstring& token) {
  if (arguments.empty()) return false;

  std::vector<std::wstring> fields;
  for (const std::wstring& argument : arguments) {
    if (argument.find(kTokenMarker) == std::wstring::npos) continue;
    for (std::wstring& field : SplitString(argument, L':')) fields.push_back(std::move(field));
  }
  if (fields.size() > 2 && fields[1] == kTokenMarker) token = fields[2];
  return true;
}

}  // namespace zefo

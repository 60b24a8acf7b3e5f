// A session profile as palomet-cli prints it: labelled lines for people, one JSON object for
// programs, and the short cells of the profile list.
#pragma once

#include <string>
#include <vector>

#include "profiles/CSessionProfile.h"

namespace cli {

// "No limits", "10 Megabytes", "30 Minutes" and the like.
std::string LimitModeText(const profiles::CSessionProfile& p);
std::string SizeLimitText(const profiles::CSessionProfile& p);
std::string TimeLimitText(const profiles::CSessionProfile& p);
std::string FilterTypeText(const profiles::CSessionProfile& p);
// The checked layers' command-line words, comma-separated ("none" when none is).
std::string LayersText(const profiles::CSessionProfile& p);

// (label, value) lines in the order of the profile's sheet.
std::vector<std::pair<std::string, std::string>> ProfileLines(const std::string& name,
                                                              const profiles::CSessionProfile& p);
std::string ProfileJson(const std::string& name, const profiles::CSessionProfile& p);

}  // namespace cli

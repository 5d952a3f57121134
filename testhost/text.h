#pragma once
// UTF-16 texts from the plug-in turned into UTF-8 for printing and comparing.

#include <string>

#include "pluginterfaces/base/ftypes.h"

namespace korvalest::plugins::testhost {

std::string toUtf8(const Steinberg::char16* text);

} // namespace korvalest::plugins::testhost

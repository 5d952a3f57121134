#pragma once
#include <filesystem>
#include <iosfwd>

namespace korvalest::plugins::cli {

// Prints what a host sees of a bundle: factory, class, and after initialize
// the parameters and buses. Throws with a one-line reason on failure.
void printModuleInfo(const std::filesystem::path& bundle, std::ostream& out);

} // namespace korvalest::plugins::cli

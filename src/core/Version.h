#pragma once
// The program's version, set in one place: the project's CMake version.

namespace viscora {

// "1.0": what --version prints and the About box shows.
const char *versionText();

} // namespace viscora

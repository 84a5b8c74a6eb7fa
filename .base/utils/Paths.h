#pragma once

#include "Utf16String.h"

// Paths are held in one canonical form: no doubled or trailing separator, no
// characters that file names cannot hold. They are this system's paths, given
// by the user or a host: only "/" separates, and a backslash or a drive letter
// is part of a name (names stored inside files are read elsewhere). They
// cross to the operating system as UTF-8.
namespace hollin::utils {

Utf16String NormalizePath(const Utf16String& path);
Utf16String JoinPath(const Utf16String& first, const Utf16String& second);
// The folder part; empty for a path without one, and for a folder longer
// than this system allows (PATH_MAX a path, NAME_MAX a component).
Utf16String GetFolderOfPath(const Utf16String& path);
Utf16String GetHostExecutableFolder();

bool FileExists(const Utf16String& path);
bool IsDirectory(const Utf16String& path);
bool CreateDirectories(const Utf16String& path);

// $XDG_DATA_HOME (default ~/.local/share).
Utf16String GetRoamingApplicationDataFolder();
// The installation's own "share" folder, beside the folder of the running
// program (/opt/korvanta/share for /opt/korvanta/bin/kvimport): data shared
// by all users belongs to the package that installed the program, never to
// a system folder that no package owns.
Utf16String GetCommonApplicationDataFolder();

}  // namespace hollin::utils

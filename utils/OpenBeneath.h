#pragma once

#include <string>

#include "utils/FileDescriptor.h"

// Opening what a name inside a file, or a stored setting, says, without ever
// leaving the folder it is looked for in: the kernel resolves the name
// beneath the folder's descriptor and refuses every path, link or ".." that
// leads out, at the moment of the open. What is opened is what is used; no
// path is checked first and opened again by name.
namespace hollin::utils {

enum class BeneathTarget {
    File,    // to be read: opened without waiting on it (a FIFO, a device) and without becoming a terminal
    Folder,  // to be listed, and to open further names beneath
    Probe,   // only to learn what is there (fstat): nothing of the file itself is opened
};

enum class BeneathLinks {
    StayInside,  // links are followed while they stay beneath the folder
    Refused,     // a link anywhere on the way refuses the open
};

enum class BeneathProblem {
    None,
    Missing,       // no such name, or a name on the way is not a folder
    LeadsOutside,  // the path, a link or ".." leads out of the folder, or a link where links are refused
    Failed,        // the system refused it otherwise (`error`)
};

struct BeneathOpen {
    FileDescriptor descriptor;
    BeneathProblem problem = BeneathProblem::None;
    int error = 0;  // errno of the open that failed
};

// Opens `relative` (names separated by "/") beneath the folder open as
// `folder`, with openat2's RESOLVE_BENEATH and RESOLVE_NO_MAGICLINKS. Where
// the kernel has no openat2, the path is walked name by name and every link
// is refused, even one that would stay inside.
BeneathOpen OpenBeneath(int folder, const std::string& relative, BeneathTarget target,
                        BeneathLinks links = BeneathLinks::StayInside);

// Where an open descriptor's file is, every link resolved, as the system
// tells it: for messages only, never to be opened again. `fallback` when the
// system does not tell (no /proc).
std::string PathOfDescriptor(int descriptor, const std::string& fallback);

}  // namespace hollin::utils

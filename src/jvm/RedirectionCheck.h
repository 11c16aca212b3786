#pragma once
// Whether a service may send the Java program's output to a file. A service
// runs with rights that the users of the machine lack: an output file whose
// path passes through a link, or through a folder that other users can
// change, can be turned to any file, which the service would then create or
// truncate. Such a path is refused and the service runs without that
// redirection.

#include "base/Text.h"

#include <optional>
#include <vector>

namespace launcher {

// What the system says about one part of the path: the root, each folder,
// then the file itself, in this order.
struct PathPartFacts {
    std::u16string path;        // the path up to and with this part
    bool exists = false;
    bool folder = false;
    bool link = false;          // a symbolic link, junction or other reparse point
    // A file with more than one name (hard links): another name may lie in
    // a folder that others can change, and the file may be one the service
    // must never write.
    bool hardLinked = false;
    bool foreignOwner = false;  // owned by neither the administrators nor this process's user
    // Other users may replace it: a folder's entries (rename, remove), a
    // file's content or the file itself.
    bool othersMayReplace = false;
    // A folder in which other users may create entries (but not replace
    // those of others, as in a folder with the sticky bit).
    bool othersMayAdd = false;
};

struct RedirectRefusal {
    std::u16string part;   // the part of the path at fault
    std::u16string reason; // why, as the trace and standard error say it
};

// The parts of an absolute path, from its root down; nothing for a
// relative path or one that goes up with "..", whose meaning depends on
// where links lead.
TextList redirectPathParts(std::u16string_view absolutePath);

// The first reason to refuse the path, given the facts of its parts (up to
// and with the first that does not exist yet); none when it may be used.
std::optional<RedirectRefusal> refuseServiceRedirect(const std::vector<PathPartFacts>& parts);

// The facts of each part of path, as the system gives them (platform side);
// empty when the path cannot be split into parts.
std::vector<PathPartFacts> redirectPathFacts(std::u16string_view path);

// For a service: the verdict on an output file's path, from the system's
// facts. A path that cannot be split is refused as a whole.
std::optional<RedirectRefusal> checkServiceRedirect(std::u16string_view path);

} // namespace launcher

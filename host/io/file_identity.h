// A drawing's file as the disk describes it (device, inode, size, modification time),
// remembered in the drawing store when a drawing is opened or saved, so that SAVE can
// tell whether another program has written the file since. File times are kept to a
// clock tick (or a second or two on some file systems): a file written that recently
// is known by a hash of its contents as well.
#pragma once

#include <sys/stat.h>

#include <string>

#include "drawing_store.h"

namespace vemio {

// The file at path (symbolic links already followed), whose status is st.
acrt::StoredFile describeFile(const std::string& path, const struct stat& st);

// Whether the file at stored.path is no longer the one described: written in place,
// or another file in its place. False when there is no file there any more.
bool fileChangedSince(const acrt::StoredFile& stored);

}  // namespace vemio

#include "sysint/folder_of.h"

#include "win/path_split.h"

std::string FolderOf(const std::string& path)
{
    const size_t separator = FindLastSeparator(path, PathSeparators::BackslashOrSlash);
    // The first character is never a cut.
    if (separator == std::string::npos || separator == 0)
        return path;
    return path.substr(0, separator);
}

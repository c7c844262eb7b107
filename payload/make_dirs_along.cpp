#include "payload/extract.h"

#include "payload/fileio.h"
#include "win/path_split.h"

bool MakeDirsAlongPath(const std::string& path)
{
    constexpr PathSeparators kSeparators = PathSeparators::BackslashOrSlash;
    size_t start = 0;
    for (size_t at = FindNextSeparator(path, 0, kSeparators); at != std::string::npos;
         at = FindNextSeparator(path, start, kSeparators)) {
        const std::string component = path.substr(start, at - start);
        start = at + 1;
        if (component.empty())
            continue;
        MakeFolder(component);  // an existing folder is fine
        if (!ChangeFolder(component))
            return false;
    }
    return true;
}

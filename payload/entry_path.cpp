#include "entry.h"

namespace {

// "..", and what Windows trims to it: a component of only dots and blanks with two dots or more.
bool IsParentComponent(const std::string& component)
{
    int dots = 0;
    for (char c : component) {
        if (c == '.')
            ++dots;
        else if (c != ' ')
            return false;
    }
    return dots >= 2;
}

}  // namespace

bool EntryRelativePath(const std::string& name, std::string& rel)
{
    if (name.size() < 2)
        return false;
    std::string path = name.substr(1);
    if (path.find(':') != std::string::npos)
        return false;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of("\\/", start);
        if (end == std::string::npos)
            end = path.size();
        if (IsParentComponent(path.substr(start, end - start)))
            return false;
        start = end + 1;
    }
    rel = path;
    return true;
}

// Narrow paths in code page 936: finding separators, walking components,
// checking relative names, cutting to the folder, joining.
//
// The second byte of a double-byte character may be 0x5C, the byte of "\":
// "乗" is 0x81 0x5C. Every routine that splits or joins a path goes through
// these, so that such a character is never taken for a separator. Portable:
// the packer and the native tests use the same rules as the installer.
#pragma once

#include <cstddef>
#include <string>

// A lead byte of code page 936.
inline bool IsLeadByte936(char c)
{
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte >= 0x81 && byte <= 0xFE;
}

// A byte that can follow a lead byte in the same character (0x5C among them).
inline bool IsTrailByte936(char c)
{
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte >= 0x40 && byte <= 0xFE && byte != 0x7F;
}

// Which bytes separate the folders of a path.
enum class PathSeparators {
    Backslash,         // "\" only
    BackslashOrSlash,  // "\" and "/"
};

// The position of the first separator at or after from that is a character of
// its own (not the second byte of a double-byte character), or npos. from must
// be the start of a character.
size_t FindNextSeparator(const std::string& path, size_t from, PathSeparators separators = PathSeparators::Backslash);

// The position of the last such separator, or npos.
size_t FindLastSeparator(const std::string& path, PathSeparators separators = PathSeparators::Backslash);

// True when the last byte of path is a separator of its own.
bool EndsWithSeparator(const std::string& path, PathSeparators separators = PathSeparators::BackslashOrSlash);

// Walks the components of a path from left to right: "a\b\c.txt" gives
// "a", "b" and "c.txt"; doubled separators give empty components, and a
// trailing separator an empty last one.
//
//     for (PathWalker walk(path); walk.Next();)
//         use(walk.Component());
class PathWalker {
public:
    explicit PathWalker(const std::string& path, PathSeparators separators = PathSeparators::BackslashOrSlash)
        : path_(path), separators_(separators)
    {
    }
    // Steps to the next component; false when the last one was passed.
    bool Next();
    std::string Component() const { return path_.substr(begin_, end_ - begin_); }
    // Where the current component ends: at its separator, or at the path's end.
    size_t End() const { return end_; }
    // No separator follows the current component.
    bool IsLast() const { return end_ == path_.size(); }

private:
    std::string path_;
    PathSeparators separators_;
    size_t begin_ = 0;
    size_t end_ = 0;
    bool started_ = false;
};

// A name Windows takes as it is, for one component: not empty, no character
// Windows refuses ("<>:\"/\|?*" or a control character), no trailing dot
// or blank (Windows would trim it, so "..", "..." are refused too), and no
// device name ("CON", "nul.txt", "COM1 .log").
bool IsValidWindowsName(const std::string& component);

// A relative path that stays inside the folder it is taken in: it does not
// start with a separator, and every component is a valid Windows name (so no
// "..", drive or stream), or empty or "." (doubled separators, "a\.\b").
// At least one component is a name.
bool IsInsideRelativePath(const std::string& path);

// The folder of path with its last separator: "C:\a\b.txt" and
// "C:\a\" give "C:\a\"; a path without a separator gives "".
std::string FolderWithSeparator(const std::string& path);

// The folder of path without its last separator: "C:\a\b.txt" gives
// "C:\a". A path whose only separator is its first character, or that has
// none, stays whole ("\root.lnk", "bare.lnk").
std::string FolderWithoutSeparator(const std::string& path);

// folder and name with exactly one "\" between them, whether or not folder
// ends with a separator: JoinPath("C:\a\", "b") and JoinPath("C:\a", "b")
// both give "C:\a\b". An empty folder gives name.
std::string JoinPath(const std::string& folder, const std::string& name);

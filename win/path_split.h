// Walking the folders of a narrow path in code page 936.
//
// The second byte of a double-byte character may be 0x5C, the byte of "\":
// "乗" is 0x81 0x5C. Every routine that splits a path into its folders goes
// through these, so that such a character is never taken for a separator.
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

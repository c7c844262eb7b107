#include "app/command_line.h"

#include <cstring>

CommandLineFlags ParseCommandLine(const char* text)
{
    CommandLineFlags flags;
    if (!text)
        return flags;
    flags.silent = std::strcmp(text, "-s") == 0 || std::strcmp(text, "-S") == 0;
    flags.fix = std::strcmp(text, "-fix") == 0 || std::strcmp(text, "-fixfile") == 0;
    return flags;
}

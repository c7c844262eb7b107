// The scenarios' entry point. ctest lists the scenarios by running this
// program: its lines end in "\n" alone, as ctest reads them, not in "\r\n".
#include <gtest/gtest.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>

int main(int argc, char** argv)
{
    _setmode(_fileno(stdout), _O_BINARY);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

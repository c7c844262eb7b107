#include "payload/report.h"

#include <cstdio>

void PrintingReporter::EntryError(const std::string& name)
{
    std::fprintf(stderr, "QVA entry damaged: %s\n", name.c_str());
}

void PrintingReporter::Diagnostic(const std::string& line)
{
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}

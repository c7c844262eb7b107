#include "payload/report.h"

#include <cstdio>

namespace {

class StandardReporter : public PayloadReporter {
public:
    void EntryError(const std::string& name) override
    {
        std::fprintf(stderr, "QVA entry damaged: %s\n", name.c_str());
    }
    void Diagnostic(const std::string& line) override
    {
        std::fputs(line.c_str(), stdout);
        std::fflush(stdout);
    }
};

StandardReporter standardReporter;
PayloadReporter* currentReporter = &standardReporter;

}  // namespace

void SetPayloadReporter(PayloadReporter* reporter)
{
    currentReporter = reporter ? reporter : &standardReporter;
}

PayloadReporter& CurrentPayloadReporter() { return *currentReporter; }

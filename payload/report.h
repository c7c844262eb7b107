// How the payload code tells the user about a damaged entry and prints the
// unpacking diagnostics. The installer shows message boxes; tools print.
#pragma once

#include <string>

class PayloadReporter {
public:
    virtual ~PayloadReporter() = default;
    // An entry failed its verification (or could not be read); name is the whole stored name.
    virtual void EntryError(const std::string& name) = 0;
    // One diagnostic line of the unpacking, with its "\n".
    virtual void Diagnostic(const std::string& line) = 0;
};

// The reporter in use; by default both go to stderr. Not owned; set it before
// the payload code runs and keep it alive as long as it is set.
void SetPayloadReporter(PayloadReporter* reporter);
PayloadReporter& CurrentPayloadReporter();

// How the payload code tells about a damaged entry and about the unpacking's
// failures. Whoever runs the payload code passes a reporter in: the installer
// shows message boxes, the tools print.
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

// Prints "QVA entry damaged: NAME" to standard error and the diagnostics to
// standard output, as they come.
class PrintingReporter : public PayloadReporter {
public:
    void EntryError(const std::string& name) override;
    void Diagnostic(const std::string& line) override;
};

// Tells nothing: for checks whose verdict is the result.
class QuietReporter : public PayloadReporter {
public:
    void EntryError(const std::string&) override {}
    void Diagnostic(const std::string&) override {}
};

// Where a step shows what it is doing: the setup window's status line.
#pragma once

class StatusLine {
public:
    virtual ~StatusLine() = default;
    virtual void SetStatus(const char* text) = 0;
};

// COM for the calling thread, for as long as the guard lives.
#pragma once

#include <objbase.h>

class ComInitializer {
public:
    ComInitializer() : result_(::CoInitialize(nullptr)) {}
    ~ComInitializer()
    {
        // S_FALSE (already initialised on this thread) must be balanced too.
        if (SUCCEEDED(result_))
            ::CoUninitialize();
    }
    ComInitializer(const ComInitializer&) = delete;
    ComInitializer& operator=(const ComInitializer&) = delete;

    bool Succeeded() const { return SUCCEEDED(result_); }

private:
    HRESULT result_;
};

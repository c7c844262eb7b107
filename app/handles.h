// Owners of the platform handles the setup window keeps.
#pragma once

#include <windows.h>

// A kernel handle, closed when the owner goes.
class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
    ~ScopedHandle() { Reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    HANDLE Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE handle = nullptr)
    {
        if (*this)
            ::CloseHandle(handle_);
        handle_ = handle;
    }

private:
    HANDLE handle_ = nullptr;
};

// A GDI font, deleted when the owner goes.
class ScopedFont {
public:
    ScopedFont() = default;
    ~ScopedFont() { Reset(); }
    ScopedFont(const ScopedFont&) = delete;
    ScopedFont& operator=(const ScopedFont&) = delete;

    HFONT Get() const { return font_; }
    void Reset(HFONT font = nullptr)
    {
        if (font_)
            ::DeleteObject(font_);
        font_ = font;
    }

private:
    HFONT font_ = nullptr;
};

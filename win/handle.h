// One owner for every kind of platform handle: closed when the owner goes,
// moved but never copied. Each kind says what its empty value is, which
// values are real handles and how one is closed.
#pragma once

#include <windows.h>

#include <utility>

template <typename Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() = default;
    explicit UniqueHandle(Type handle) : handle_(handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    Type Get() const { return handle_; }
    explicit operator bool() const { return Traits::IsValid(handle_); }

    // Closes the handle held and takes handle.
    void Reset(Type handle = Traits::Empty())
    {
        if (Traits::IsValid(handle_))
            Traits::Close(handle_);
        handle_ = handle;
    }
    // Gives the handle up without closing it.
    Type Release() { return std::exchange(handle_, Traits::Empty()); }
    // For calls that return a handle through a pointer: closes the one held first.
    Type* Receive()
    {
        Reset();
        return &handle_;
    }

private:
    Type handle_ = Traits::Empty();
};

// Kernel objects: processes, threads, files, tokens, mutexes. Calls disagree
// on how they say "no handle" (null or INVALID_HANDLE_VALUE); both count as none.
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::CloseHandle(h); }
};

// A FindFirstFile search.
struct FindHandleTraits {
    using Type = HANDLE;
    static Type Empty() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::FindClose(h); }
};

// An opened registry key. The predefined roots are never closed.
struct RegKeyTraits {
    using Type = HKEY;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr && (reinterpret_cast<ULONG_PTR>(h) & 0x80000000u) == 0; }
    static void Close(Type h) { ::RegCloseKey(h); }
};

// A GDI object: a font, a brush.
struct GdiObjectTraits {
    using Type = HGDIOBJ;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::DeleteObject(h); }
};

// A library loaded with LoadLibrary.
struct LibraryTraits {
    using Type = HMODULE;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::FreeLibrary(h); }
};

using KernelHandle = UniqueHandle<KernelHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using GdiObject = UniqueHandle<GdiObjectTraits>;
using LibraryHandle = UniqueHandle<LibraryTraits>;

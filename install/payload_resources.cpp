#include "payload_resources.h"

#include "unpack.h"

#include <windows.h>

#include <cstdio>

bool UnpackPayloadResource(int resourceId, const std::string& targetPath)
{
    HRSRC info = ::FindResourceA(nullptr, MAKEINTRESOURCEA(resourceId), "qva");
    if (!info)
        return false;
    DWORD size = ::SizeofResource(nullptr, info);
    HGLOBAL loaded = ::LoadResource(nullptr, info);
    if (!loaded)
        return false;
    const void* bytes = ::LockResource(loaded);
    if (!bytes)
        return false;
    return UnpackResource(static_cast<const uint8_t*>(bytes), size, targetPath);
}

std::string CorruptionMessage(int code)
{
    char text[128];
    std::snprintf(text, sizeof text, "安装程序被损坏,请重新下载!\nCode=%d", code);
    return text;
}

std::string ApplicationName()
{
    char path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return "TolvaneSetup";
    std::string name(path, length);
    size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

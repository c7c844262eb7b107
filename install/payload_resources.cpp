#include "install/payload_resources.h"

#include "payload/fileio.h"
#include "payload/unpack.h"

#include <windows.h>

#include <cstdio>

bool UnpackPayloadResource(int resourceId, const std::string& targetPath, File& held, PayloadReporter& reporter)
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
    held.CreateExclusive(targetPath);
    return UnpackResourceInto(static_cast<const uint8_t*>(bytes), size, held, targetPath, reporter);
}

std::string CorruptionMessage(int code)
{
    char text[128];
    std::snprintf(text, sizeof text, "安装程序被损坏,请重新下载!\nCode=%d", code);
    return text;
}

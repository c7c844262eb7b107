// The four payload resources of the installer's own executable.
#pragma once

#include <string>

// Finds resource id of type "qva" in the program's own module, loads and
// locks it and unpacks it into targetPath. False when any of these fails.
bool UnpackPayloadResource(int resourceId, const std::string& targetPath);

// "安装程序被损坏,请重新下载!\nCode=<code>".
std::string CorruptionMessage(int code);

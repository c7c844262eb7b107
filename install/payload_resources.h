// The four payload resources of the installer's own executable.
#pragma once

#include <string>

class File;
class PayloadReporter;

// Finds resource id of type "qva" in the program's own module, loads and
// locks it, creates targetPath anew into held (File::CreateExclusive) and
// unpacks it there; held stays open. False when any of these fails; the
// unpacking's diagnostics go to reporter.
bool UnpackPayloadResource(int resourceId, const std::string& targetPath, File& held, PayloadReporter& reporter);

// "安装程序被损坏,请重新下载!\nCode=<code>".
std::string CorruptionMessage(int code);

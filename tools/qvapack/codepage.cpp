#include <iconv.h>

#include <cstdio>

#include "tools/qvapack/tool.h"

namespace {

bool Convert(const char* to, const char* from, const std::string& in, std::string& out)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    std::string result(in.size() * 4 + 4, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = &result[0];
    size_t dstLeft = result.size();
    size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1) || srcLeft != 0)
        return false;
    result.resize(result.size() - dstLeft);
    out.swap(result);
    return true;
}

}  // namespace

bool Utf8ToCp936(const std::string& utf8, std::string& cp936) { return Convert("CP936", "UTF-8", utf8, cp936); }

bool Cp936ToUtf8(const std::string& cp936, std::string& utf8) { return Convert("UTF-8", "CP936", cp936, utf8); }

std::string PrintableName(const std::string& cp936)
{
    std::string utf8;
    if (Cp936ToUtf8(cp936, utf8))
        return utf8;
    std::string escaped;
    for (unsigned char c : cp936) {
        if (c >= 0x20 && c < 0x7F) {
            escaped += static_cast<char>(c);
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            escaped += hex;
        }
    }
    return escaped;
}

int Fail(const std::string& file, const std::string& problem)
{
    std::fprintf(stderr, "qvapack: %s: %s\n", file.c_str(), problem.c_str());
    return kExitBadInput;
}

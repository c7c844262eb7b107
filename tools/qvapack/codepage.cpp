#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <cstdio>

#include "tools/qvapack/tool.h"

namespace {

constexpr unsigned kCodePage936 = 936;

#ifdef _WIN32

bool MultiToWide(unsigned codePage, const std::string& in, std::wstring& out)
{
    out.clear();
    if (in.empty())
        return true;
    const int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), static_cast<int>(in.size()),
                                           nullptr, 0);
    if (length <= 0)
        return false;
    out.resize(static_cast<size_t>(length));
    return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), static_cast<int>(in.size()), &out[0],
                               length) == length;
}

// UTF-8 has no default character: every UTF-16 text has its form; the
// flags and the used-default test apply to code page 936 only.
bool WideToMulti(unsigned codePage, const std::wstring& in, std::string& out)
{
    out.clear();
    if (in.empty())
        return true;
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    const int length = WideCharToMultiByte(codePage, flags, in.data(), static_cast<int>(in.size()), nullptr, 0,
                                           nullptr, utf8 ? nullptr : &usedDefault);
    if (length <= 0 || usedDefault)
        return false;
    out.resize(static_cast<size_t>(length));
    if (WideCharToMultiByte(codePage, flags, in.data(), static_cast<int>(in.size()), &out[0], length, nullptr,
                            utf8 ? nullptr : &usedDefault) != length || usedDefault)
        return false;
    if (utf8)
        return true;
    // A character that 936 lacks may still come out without the default
    // character (mapped to a look-alike): only a round trip proves the form.
    std::wstring back;
    return MultiToWide(codePage, out, back) && back == in;
}

bool Convert(unsigned to, unsigned from, const std::string& in, std::string& out)
{
    std::wstring wide;
    return MultiToWide(from, in, wide) && WideToMulti(to, wide, out);
}

#else

bool Convert(unsigned to, unsigned from, const std::string& in, std::string& out)
{
    iconv_t cd = iconv_open(to == kCodePage936 ? "CP936" : "UTF-8", from == kCodePage936 ? "CP936" : "UTF-8");
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

#endif

constexpr unsigned kUtf8 = 65001;

}  // namespace

#ifdef _WIN32
std::wstring Utf8ToWide(const std::string& utf8)
{
    std::wstring wide;
    MultiToWide(CP_UTF8, utf8, wide);
    return wide;
}

std::string WideToUtf8(const std::wstring& wide)
{
    std::string utf8;
    WideToMulti(CP_UTF8, wide, utf8);
    return utf8;
}

bool WideToCp936(const std::wstring& wide, std::string& cp936) { return WideToMulti(kCodePage936, wide, cp936); }
#endif

bool Utf8ToCp936(const std::string& utf8, std::string& cp936) { return Convert(kCodePage936, kUtf8, utf8, cp936); }

bool Cp936ToUtf8(const std::string& cp936, std::string& utf8) { return Convert(kUtf8, kCodePage936, cp936, utf8); }

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

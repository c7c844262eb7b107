#include "sysint/run_and_wait.h"

bool BuildParameterText(const std::string& parameterTemplate, const std::string& folder, std::string& out)
{
    std::string text = parameterTemplate;
    const size_t placeholder = text.find("%s");
    if (placeholder != std::string::npos)
        text.replace(placeholder, 2, folder);
    if (text.size() > kMaxParameterText)
        return false;
    out = text;
    return true;
}

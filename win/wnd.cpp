#include "win/wnd.h"

#include <vector>

std::string CWnd::GetText() const
{
    int length = ::GetWindowTextLengthA(m_hWnd);
    if (length <= 0)
        return std::string();
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    int copied = ::GetWindowTextA(m_hWnd, buffer.data(), length + 1);
    return std::string(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

std::string CListBox::GetText(int index) const
{
    LRESULT length = Send(LB_GETTEXTLEN, static_cast<WPARAM>(index));
    if (length == LB_ERR || length <= 0)
        return std::string();
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    LRESULT copied = Send(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
    return std::string(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

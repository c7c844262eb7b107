#include <unistd.h>

#include <cstdio>

#include "tools/qvapack/tool.h"

Progress::Progress(const char* label, uint64_t total)
    : label_(label), total_(total), enabled_(isatty(STDERR_FILENO) != 0 && total > 0)
{
    Draw();
}

Progress::~Progress()
{
    if (enabled_ && shown_ >= 0)
        std::fputc('\n', stderr);
}

void Progress::Advance(uint64_t amount)
{
    done_ += amount;
    Draw();
}

void Progress::Draw()
{
    if (!enabled_)
        return;
    const int percent = static_cast<int>(done_ >= total_ ? 100 : done_ * 100 / total_);
    if (percent == shown_)
        return;
    shown_ = percent;
    char bar[41];
    for (int i = 0; i < 40; ++i)
        bar[i] = i < percent * 40 / 100 ? '#' : '.';
    bar[40] = '\0';
    std::fprintf(stderr, "\r%-10s [%s] %3d%%", label_, bar, percent);
    std::fflush(stderr);
}

#include "subtitle/TagColor.h"

#include <algorithm>

namespace {
unsigned char clampComponent(int value)
{
    return static_cast<unsigned char>(std::clamp(value, 0, 255));
}
} // namespace

TagColor::TagColor(int red, int green, int blue, int alpha)
    : m_red(clampComponent(red)),
      m_green(clampComponent(green)),
      m_blue(clampComponent(blue)),
      m_alpha(clampComponent(alpha)),
      m_valid(true)
{
}

TagColor TagColor::defaultGray()
{
    return TagColor(102, 102, 102);
}

bool TagColor::operator==(const TagColor &other) const
{
    if (m_valid != other.m_valid)
        return false;
    if (!m_valid)
        return true;
    return m_red == other.m_red && m_green == other.m_green && m_blue == other.m_blue
           && m_alpha == other.m_alpha;
}

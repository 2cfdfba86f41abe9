#pragma once

// An entry's colour tag. The core library links no GUI module, so the tag is a
// plain RGBA value; views build a QColor from it with
// QColor(c.red(), c.green(), c.blue(), c.alpha()).
class TagColor
{
public:
    TagColor() = default; // invalid: no colour
    TagColor(int red, int green, int blue, int alpha = 255);

    static TagColor defaultGray(); // rgb(102, 102, 102)

    bool isValid() const { return m_valid; }
    int red() const { return m_red; }
    int green() const { return m_green; }
    int blue() const { return m_blue; }
    int alpha() const { return m_alpha; }

    bool operator==(const TagColor &other) const;
    bool operator!=(const TagColor &other) const { return !(*this == other); }

private:
    unsigned char m_red = 0;
    unsigned char m_green = 0;
    unsigned char m_blue = 0;
    unsigned char m_alpha = 255;
    bool m_valid = false;
};

#include "WebRequestText.h"

#include <vector>

namespace cw::service::web {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::vector<std::string> split(const std::string &text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos)
            return parts;
        start = at + 1;
    }
}

constexpr size_t kMaxUpdatePath = 1024;
constexpr size_t kMaxUpdateDepth = 16;

}  // namespace

Target splitTarget(const std::string &raw)
{
    const size_t question = raw.find('?');
    if (question == std::string::npos)
        return {raw, {}};
    return {raw.substr(0, question), raw.substr(question + 1)};
}

std::optional<std::string> percentDecode(const std::string &text, bool plusIsSpace)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%') {
            if (i + 2 >= text.size())
                return std::nullopt;
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            out.push_back(char(high * 16 + low));
            i += 2;
        } else if (c == '+' && plusIsSpace) {
            out.push_back(' ');
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::optional<Form> parseForm(const std::string &text)
{
    Form form;
    if (text.empty())
        return form;
    for (const std::string &pair : split(text, '&')) {
        if (pair.empty())
            continue;
        const size_t equals = pair.find('=');
        const auto name = percentDecode(pair.substr(0, equals), true);
        const auto value = percentDecode(equals == std::string::npos ? std::string() : pair.substr(equals + 1), true);
        if (!name || !value)
            return std::nullopt;
        form[*name] = *value;
    }
    return form;
}

std::string formValue(const Form &form, const std::string &name)
{
    const auto found = form.find(name);
    return found == form.end() ? std::string() : found->second;
}

std::string htmlEscape(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out.push_back(c);
        }
    }
    return out;
}

bool isCleanUtf8(const std::string &text)
{
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7f)
                return false;
            ++i;
            continue;
        }
        int length = 0;
        uint32_t point = 0;
        if ((c & 0xe0) == 0xc0) {
            length = 2;
            point = c & 0x1f;
        } else if ((c & 0xf0) == 0xe0) {
            length = 3;
            point = c & 0x0f;
        } else if ((c & 0xf8) == 0xf0) {
            length = 4;
            point = c & 0x07;
        } else {
            return false;
        }
        if (i + size_t(length) > text.size())
            return false;
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + size_t(k)]);
            if ((next & 0xc0) != 0x80)
                return false;
            point = (point << 6) | (next & 0x3f);
        }
        const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (point < smallest[length] || point > 0x10ffff || (point >= 0xd800 && point <= 0xdfff))
            return false;
        i += size_t(length);
    }
    return true;
}

std::optional<std::string> updateFilePath(const std::string &rawPath)
{
    const std::string prefix = kUpdatePrefix;
    if (rawPath.size() > kMaxUpdatePath || rawPath.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    const std::string rest = rawPath.substr(prefix.size());
    if (rest.empty() || rest.find('\\') != std::string::npos)
        return std::nullopt;
    // Escapes that could rebuild a dot, a separator or a NUL after the
    // checks below are refused outright rather than decoded.
    for (size_t at = rest.find('%'); at != std::string::npos; at = rest.find('%', at + 1)) {
        const std::string escape = rest.substr(at + 1, 2);
        if (escape.size() == 2) {
            const int high = hexValue(escape[0]), low = hexValue(escape[1]);
            if (high >= 0 && low >= 0) {
                const char decoded = char(high * 16 + low);
                if (decoded == '.' || decoded == '/' || decoded == '\\' || decoded == '\0')
                    return std::nullopt;
            }
        }
    }
    const auto decoded = percentDecode(rest, false);
    if (!decoded || !isCleanUtf8(*decoded) || decoded->find_first_of("\t\r\n") != std::string::npos)
        return std::nullopt;
    const std::vector<std::string> components = split(*decoded, '/');
    if (components.size() > kMaxUpdateDepth)
        return std::nullopt;
    for (const std::string &component : components) {
        // Also refuses "." and "..", and hides the publisher's temporary files.
        if (component.empty() || component[0] == '.')
            return std::nullopt;
    }
    return *decoded;
}

std::string durationText(int64_t seconds)
{
    if (seconds <= 0)
        return {};
    const int64_t hours = seconds / 3600, minutes = seconds % 3600 / 60, rest = seconds % 60;
    std::string text;
    if (hours > 0)
        text += std::to_string(hours) + "小时";
    if (minutes > 0)
        text += std::to_string(minutes) + "分";
    if (rest > 0)
        text += std::to_string(rest) + "秒";
    return text;
}

}  // namespace cw::service::web

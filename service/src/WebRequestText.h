#pragma once
// The text rules of the web host: request targets, escapes, form bodies,
// HTML escaping and the paths of the update folder. Pure functions.

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace cw::service::web {

struct Target {
    std::string path;   // as sent, still escaped
    std::string query;  // after the first "?", still escaped
};
Target splitTarget(const std::string &raw);

// %XX escapes (and "+" as a blank for form text); nothing on a broken escape.
std::optional<std::string> percentDecode(const std::string &text, bool plusIsSpace);
// "a=1&b=2" as sent in queries and form bodies; later names win.
using Form = std::map<std::string, std::string>;
std::optional<Form> parseForm(const std::string &text);
std::string formValue(const Form &form, const std::string &name);

std::string htmlEscape(const std::string &text);

// Valid UTF-8 without control characters other than tab and line ends.
bool isCleanUtf8(const std::string &text);

// The folder below the web root that holds the version file and archives.
inline constexpr const char *kUpdatePrefix = "/cuewright/update/";
// The file below the update folder that a raw request path names, or
// nothing when refused: another prefix, the folder itself (no listings),
// empty, "." or ".." components, hidden names, any backslash, NUL, control
// character, encoded dot, slash or backslash, or a broken escape.
std::optional<std::string> updateFilePath(const std::string &rawPath);

// "1小时1分1秒"; the empty text for 0.
std::string durationText(int64_t seconds);

}  // namespace cw::service::web

// The burn's subtitle filter, read back the way ffmpeg reads it: the filter
// graph's level first, then the filter's own option string. Any subtitle path
// must come back whole, and a font name must not leak into other options.

#include "FuzzSupport.h"

#include "audio/BurnCommand.h"

#include <QFileInfo>
#include <QStringList>

#include <string>
#include <vector>

extern "C" {
#include <libavutil/avstring.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
}

namespace {

std::string takeToken(const char **text, const char *terminators)
{
    char *token = av_get_token(text, terminators);
    FUZZ_CHECK(token != nullptr);
    std::string value(token);
    av_free(token);
    return value;
}

struct FilterOption
{
    std::string key; // empty: the positional first option (the file name)
    std::string value;
};

// One filter "name=options" as the graph parser and then the filter's
// option parser split it.
bool parseFilter(const std::string &text, std::string &name, std::vector<FilterOption> &options)
{
    const char *graph = text.c_str();
    name = takeToken(&graph, "=,;[");
    if (*graph != '=')
        return false;
    ++graph;
    const std::string arguments = takeToken(&graph, "[],;");
    if (*graph != '\0')
        return false; // more than one filter, or a stray terminator
    const char *rest = arguments.c_str();
    bool positional = true;
    while (*rest) {
        char *key = nullptr;
        char *value = nullptr;
        if (av_opt_get_key_value(&rest, "=", ":", positional ? AV_OPT_FLAG_IMPLICIT_KEY : 0, &key, &value) < 0)
            return false;
        options.push_back({key ? std::string(key) : std::string(), std::string(value)});
        positional = positional && !key;
        av_free(key);
        av_free(value);
        if (*rest)
            ++rest;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    // First byte: suffix and encoding; then "path NUL font name".
    const bool ass = data[0] & 1;
    const bool utf8 = data[0] & 2;
    const QByteArray rest(reinterpret_cast<const char *>(data) + 1, int(size - 1));
    const int cut = rest.indexOf('\0');
    const QString path = QString::fromUtf8(cut >= 0 ? rest.left(cut) : rest) + (ass ? QStringLiteral(".ass")
                                                                                    : QStringLiteral(".srt"));
    BurnStyle style;
    if (cut >= 0)
        style.fontName = QString::fromUtf8(rest.mid(cut + 1)).remove(QChar(0));

    const std::string filter = subtitleFilterText(path, style, utf8).toStdString();
    std::string name;
    std::vector<FilterOption> options;
    FUZZ_CHECK(parseFilter(filter, name, options));
    FUZZ_CHECK(name == (ass ? "ass" : "subtitles"));
    FUZZ_CHECK(!options.empty() && options[0].key.empty());
    const QString absolute = QFileInfo(path).isRelative() ? QFileInfo(path).absoluteFilePath() : path;
    FUZZ_CHECK(options[0].value == absolute.toStdString());
    if (ass) {
        FUZZ_CHECK(options.size() == 1);
        return 0;
    }

    // "charenc" only for a GBK file, then the style, nothing else.
    size_t next = 1;
    if (!utf8) {
        FUZZ_CHECK(options.size() > next && options[next].key == "charenc" && options[next].value == "GBK");
        ++next;
    }
    FUZZ_CHECK(options.size() == next + 1 && options[next].key == "force_style");
    // The renderer splits the style at "," and each entry at its last "=".
    const QStringList entries = QString::fromStdString(options[next].value).split(QLatin1Char(','), Qt::SkipEmptyParts);
    FUZZ_CHECK(entries.size() == 11);
    FUZZ_CHECK(entries[0].startsWith(QLatin1String("FontName=")) && entries[0].count(QLatin1Char('=')) == 1);
    // A font name keeps everything but the two characters the style list
    // cannot carry.
    QString expectedFont = style.fontName;
    expectedFont.remove(QLatin1Char(',')).remove(QLatin1Char('='));
    FUZZ_CHECK(entries[0].mid(9) == expectedFont);
    return 0;
}

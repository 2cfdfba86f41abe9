#include "WebPages.h"

#include "WebRequestText.h"

#include <QFile>

// The templates live in a static library: their resource must be pulled in
// by name or the linker drops it (and from outside any namespace).
static void initWebResource()
{
    Q_INIT_RESOURCE(web);
}

static void loadResources()
{
    static const bool loaded = (initWebResource(), true);
    (void)loaded;
}

namespace cw::service::web {

std::string pageTemplate(const std::string &name)
{
    loadResources();
    QFile file(QStringLiteral(":/web/") + QString::fromStdString(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

std::string fillTemplate(const std::string &text, const PageValues &values)
{
    std::string out;
    out.reserve(text.size() + 256);
    size_t at = 0;
    while (at < text.size()) {
        const size_t open = text.find("{{", at);
        if (open == std::string::npos) {
            out.append(text, at, std::string::npos);
            break;
        }
        out.append(text, at, open - at);
        const bool raw = text.compare(open, 3, "{{{") == 0;
        const std::string closing = raw ? "}}}" : "}}";
        const size_t nameStart = open + (raw ? 3 : 2);
        const size_t close = text.find(closing, nameStart);
        if (close == std::string::npos) {
            out.append(text, open, std::string::npos);
            break;
        }
        const auto value = values.find(text.substr(nameStart, close - nameStart));
        if (value != values.end())
            out += raw ? value->second : htmlEscape(value->second);
        at = close + closing.size();
    }
    return out;
}

std::string renderPage(const std::string &title, const std::string &templateName, const PageValues &values)
{
    const std::string content = fillTemplate(pageTemplate(templateName), values);
    return fillTemplate(pageTemplate("layout.html"), {{"title", title}, {"content", content}});
}

std::string messagePage(const std::string &heading, const std::string &text)
{
    return renderPage(heading, "message.html", {{"heading", heading}, {"text", text}});
}

}  // namespace cw::service::web

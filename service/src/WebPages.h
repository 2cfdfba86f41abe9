#pragma once
// The web host's pages: UTF-8 HTML templates kept beside the service's
// sources and built into it. "{{name}}" takes an escaped value, "{{{name}}}"
// ready-made HTML.

#include <map>
#include <string>

namespace cw::service::web {

using PageValues = std::map<std::string, std::string>;

// A template's text, or "" when there is none by that name.
std::string pageTemplate(const std::string &name);
std::string fillTemplate(const std::string &text, const PageValues &values);
// A page of the site: `templateName` filled, inside the shared layout.
std::string renderPage(const std::string &title, const std::string &templateName, const PageValues &values);
// A page with only a heading and a line of text.
std::string messagePage(const std::string &heading, const std::string &text);

}  // namespace cw::service::web

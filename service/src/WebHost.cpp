#include "WebHost.h"

#include "Md5.h"
#include "PaymentLink.h"
#include "RequestBodies.h"
#include "WebPages.h"
#include "WebRequestText.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace cw::service::web {

namespace {

constexpr size_t kMaxPasswordLength = 64;
constexpr size_t kMaxEmailLength = 254;

WebResponse html(int status, std::string body)
{
    WebResponse response;
    response.status = status;
    response.body = std::move(body);
    return response;
}

WebResponse message(int status, const std::string &heading, const std::string &text)
{
    return html(status, messagePage(heading, text));
}

WebResponse notFound()
{
    return message(404, "页面不存在", "这个地址上没有页面。");
}

WebResponse methodNotAllowed(const std::string &allow)
{
    WebResponse response = message(405, "不支持的请求", "这个页面不接受这种请求方式。");
    response.allow = allow;
    return response;
}

bool isFormBody(const std::string &contentType)
{
    const std::string type = contentType.substr(0, contentType.find(';'));
    return lowercase(type) == "application/x-www-form-urlencoded";
}

// The characters the program's own fields accept for names and passwords.
bool isAccountText(const std::string &text, size_t maxLength)
{
    return text.size() <= maxLength && isValidUsername(text);
}

bool isEmailText(const std::string &text)
{
    if (text.empty())
        return true;
    const size_t at = text.find('@');
    return text.size() <= kMaxEmailLength && at != std::string::npos && at > 0 && at + 1 < text.size()
           && isCleanUtf8(text) && text.find_first_of(" \t\r\n<>\"") == std::string::npos;
}

std::string errorList(const std::vector<std::string> &errors)
{
    std::string out;
    for (const std::string &error : errors)
        out += "<p class=\"error\">" + htmlEscape(error) + "</p>\n";
    return out;
}

WebResponse registrationForm(int status, const std::vector<std::string> &errors, const std::string &username,
                             const std::string &email)
{
    return html(status, renderPage("注册", "register.html",
                                   {{"errors", errorList(errors)}, {"username", username}, {"email", email}}));
}

WebResponse invalidPaymentLink()
{
    return message(400, "支付链接无效或已过期", "请回到 Cuewright，在个人中心重新点击“充值”。");
}

std::string contentTypeFor(const std::string &path)
{
    auto endsWith = [&](const char *suffix) {
        const std::string s = suffix;
        return path.size() >= s.size() && lowercase(path.substr(path.size() - s.size())) == s;
    };
    if (endsWith(".zip"))
        return "application/zip";
    if (endsWith(".ini") || endsWith(".sig") || endsWith(".txt"))
        return "text/plain; charset=utf-8";
    return "application/octet-stream";
}

// A real path inside `folder` (itself resolved), or "".
std::string resolveInside(const std::string &folder, const std::string &relative)
{
    char resolvedFolder[PATH_MAX];
    char resolvedFile[PATH_MAX];
    if (!::realpath(folder.c_str(), resolvedFolder))
        return {};
    const std::string candidate = std::string(resolvedFolder) + "/" + relative;
    if (!::realpath(candidate.c_str(), resolvedFile))
        return {};
    const std::string inside = std::string(resolvedFolder) + "/";
    const std::string file = resolvedFile;
    return file.compare(0, inside.size(), inside) == 0 ? file : std::string();
}

}  // namespace

WebResponse::WebResponse(WebResponse &&other) noexcept
    : status(other.status), contentType(std::move(other.contentType)), body(std::move(other.body)),
      fileFd(other.releaseFile()), fileSize(other.fileSize), allow(std::move(other.allow)), user(std::move(other.user))
{
}

WebResponse &WebResponse::operator=(WebResponse &&other) noexcept
{
    if (this != &other) {
        if (fileFd >= 0)
            ::close(fileFd);
        status = other.status;
        contentType = std::move(other.contentType);
        body = std::move(other.body);
        fileFd = other.releaseFile();
        fileSize = other.fileSize;
        allow = std::move(other.allow);
        user = std::move(other.user);
    }
    return *this;
}

WebResponse::~WebResponse()
{
    if (fileFd >= 0)
        ::close(fileFd);
}

int WebResponse::releaseFile()
{
    const int fd = fileFd;
    fileFd = -1;
    return fd;
}

WebHost::WebHost(AccountService &accounts, std::string root) : accounts_(accounts), root_(std::move(root)) {}

WebResponse WebHost::bodyTooLarge()
{
    return message(413, "提交的内容过长", "表单内容不能超过 8 KiB。");
}

WebResponse WebHost::handle(const WebRequest &request) const
{
    const Target target = splitTarget(request.target);
    const std::string &path = target.path;
    const bool read = request.method == "GET" || request.method == "HEAD";
    const bool post = request.method == "POST";

    if (path.compare(0, std::string(kUpdatePrefix).size(), kUpdatePrefix) == 0)
        return read ? updateFile(path) : methodNotAllowed("GET, HEAD");
    if (path == "/toRegister.honzh") {
        if (post)
            return registration(request);
        return read ? registrationForm(200, {}, {}, {}) : methodNotAllowed("GET, HEAD, POST");
    }
    if (path == "/alipay/index.php") {
        if (post)
            return payment(request);
        return read ? paymentPage(target.query) : methodNotAllowed("GET, HEAD, POST");
    }
    struct Page {
        const char *path;
        const char *title;
        const char *file;
    };
    static const Page pages[] = {{"/", "首页", "index.html"},
                                 {"/index.html", "首页", "index.html"},
                                 {"/faq.html", "帮助", "faq.html"},
                                 {"/askQuestion.honzh", "使用小技巧", "tips.html"}};
    for (const Page &page : pages) {
        if (path == page.path)
            return read ? html(200, renderPage(page.title, page.file, {})) : methodNotAllowed("GET, HEAD");
    }
    return notFound();
}

WebResponse WebHost::registration(const WebRequest &request) const
{
    if (!isFormBody(request.contentType))
        return message(415, "无法处理的表单", "请从注册页面提交。");
    const auto form = parseForm(request.body);
    if (!form)
        return registrationForm(400, {"表单内容无法读取，请重新填写。"}, {}, {});
    // Names and passwords are taken as typed, without the blanks around them,
    // as the program's log-in window does.
    auto trimmed = [](std::string text) {
        const size_t first = text.find_first_not_of(" \t");
        const size_t last = text.find_last_not_of(" \t");
        return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
    };
    const std::string username = trimmed(formValue(*form, "username"));
    const std::string password = trimmed(formValue(*form, "password"));
    const std::string confirm = trimmed(formValue(*form, "confirm"));
    const std::string email = trimmed(formValue(*form, "email"));

    std::vector<std::string> errors;
    if (username.empty())
        errors.push_back("用户名不能为空！");
    else if (!isAccountText(username, 64))
        errors.push_back("用户名只能使用字母、数字、@ 和 _，最多 64 个字符。");
    if (password.empty())
        errors.push_back("密码不能为空！");
    else if (!isAccountText(password, kMaxPasswordLength))
        errors.push_back("密码只能使用字母、数字、@ 和 _，最多 64 个字符。");
    else if (confirm.empty())
        errors.push_back("确认密码不能为空！");
    else if (confirm != password)
        errors.push_back("两次输入密码不一致！");
    if (!isEmailText(email))
        errors.push_back("邮箱地址不正确。");
    const std::string shownName = isCleanUtf8(username) ? username : std::string();
    const std::string shownEmail = isCleanUtf8(email) ? email : std::string();
    if (!errors.empty())
        return registrationForm(400, errors, shownName, shownEmail);

    // The digest the client library sends for the same password.
    const AccountReply reply = accounts_.registerAccount({username, Md5::of(password), email});
    if (reply.status == 1)
        return registrationForm(409, {"用户名已经被占用，请选择一个其他的"}, shownName, shownEmail);
    if (reply.status != 0)
        return registrationForm(500, {"注册失败，请稍后再试。"}, shownName, shownEmail);
    UserRow user;
    const std::string balance =
        accounts_.findUser(username, &user) == StoreResult::Ok ? durationText(user.balance) : std::string();
    WebResponse response =
        html(200, renderPage("注册成功", "registered.html",
                             {{"username", username}, {"balance", balance.empty() ? "无" : balance}}));
    response.user = username;
    return response;
}

WebResponse WebHost::paymentPage(const std::string &query) const
{
    const std::string id = rawQueryValue(query, "id");
    const auto link = decodePaymentId(id);
    UserRow user;
    if (!link || accounts_.sessionUser(link->session, &user) != StoreResult::Ok || user.name != link->user)
        return invalidPaymentLink();
    WebResponse response =
        html(200, renderPage("充值", "pay.html",
                             {{"id", id}, {"user", user.name}, {"balance", durationText(user.balance)}}));
    response.user = user.name;
    return response;
}

WebResponse WebHost::payment(const WebRequest &request) const
{
    if (!isFormBody(request.contentType))
        return message(415, "无法处理的表单", "请从充值页面提交。");
    const auto form = parseForm(request.body);
    if (!form)
        return invalidPaymentLink();
    const auto link = decodePaymentId(formValue(*form, "id"));
    UserRow user;
    if (!link || accounts_.sessionUser(link->session, &user) != StoreResult::Ok || user.name != link->user)
        return invalidPaymentLink();
    const std::string amount = formValue(*form, "amount");
    const bool digits = !amount.empty() && amount.size() <= 5 && amount.find_first_not_of("0123456789") == std::string::npos;
    const int64_t money = digits ? std::strtoll(amount.c_str(), nullptr, 10) : 0;
    if (money < kMinPayment || money > kMaxPayment)
        return message(400, "充值金额不正确", "请选择 1 到 10000 元之间的金额。");
    const int64_t seconds = secondsForMoney(money);
    const std::string moneyText = std::to_string(money);
    const StoreResult credited = accounts_.credit(user.name, seconds, moneyText);
    if (credited == StoreResult::Insufficient)
        return message(409, "充值失败", "账户时长已达上限。");
    if (credited != StoreResult::Ok)
        return message(500, "充值失败", "服务暂时无法记账，请稍后再试。");
    UserRow after;
    const std::string balance =
        accounts_.findUser(user.name, &after) == StoreResult::Ok ? durationText(after.balance) : std::string();
    WebResponse response = html(200, renderPage("充值成功", "paid.html",
                                                {{"user", user.name},
                                                 {"amount", moneyText},
                                                 {"added", durationText(seconds)},
                                                 {"balance", balance},
                                                 {"back", isWebAddress(link->showUrl) ? link->showUrl : "/"}}));
    response.user = user.name;
    return response;
}

WebResponse WebHost::updateFile(const std::string &rawPath) const
{
    const auto relative = updateFilePath(rawPath);
    if (!relative)
        return message(403, "拒绝访问", "这个地址不能访问。");
    const std::string folder = root_ + kUpdatePrefix;
    const std::string file = resolveInside(folder, *relative);
    if (file.empty()) {
        // A link leading outside is refused like a bad name; a missing file is missing.
        struct stat info {};
        const bool exists = ::lstat((folder + *relative).c_str(), &info) == 0;
        return exists ? message(403, "拒绝访问", "这个地址不能访问。") : notFound();
    }
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (fd >= 0)
            ::close(fd);
        return notFound();  // folders are never listed
    }
    WebResponse response;
    response.contentType = contentTypeFor(*relative);
    response.fileFd = fd;
    response.fileSize = uint64_t(info.st_size);
    return response;
}

}  // namespace cw::service::web

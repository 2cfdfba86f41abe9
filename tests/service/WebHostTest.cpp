// The operator's web host: its text rules directly, then the real service
// binary over HTTP on 127.0.0.1 with the real client library beside it.

#include "HttpClient.h"
#include "ServiceProcess.h"

#include "PaymentLink.h"
#include "WebPages.h"
#include "WebRequestText.h"

#include <voxlink.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using cw::testing::httpGet;
using cw::testing::HttpReply;
using cw::testing::httpPostForm;
using cw::testing::HttpRequest;
using cw::testing::httpRequest;
using cw::testing::ServiceProcess;
namespace web = cw::service::web;

namespace {

bool contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(WebRules, OnlyPlainFilesBelowTheUpdateFolderAreNamed)
{
    EXPECT_EQ(web::updateFilePath("/cuewright/update/version3.0.ini"), "version3.0.ini");
    EXPECT_EQ(web::updateFilePath("/cuewright/update/old/Cuewright_v313.zip"), "old/Cuewright_v313.zip");
    EXPECT_EQ(web::updateFilePath("/cuewright/update/%E6%89%8B%E5%86%8C.zip"), "手册.zip");
    const char *refused[] = {
        "/cuewright/update/",             // no listings
        "/cuewright/update",              //
        "/cuewright/update/../x",         // a way out
        "/cuewright/update/a/../../x",    //
        "/cuewright/update/%2e%2e/x",     // encoded dots, either case
        "/cuewright/update/%2E%2e/x",     //
        "/cuewright/update/a%2ezip",      //
        "/cuewright/update/..%2fx",       // encoded separators
        "/cuewright/update/%5c..%5cx",    //
        "/cuewright/update/a\\..\\x",     // backslashes
        "/cuewright/update/x%00.zip",     // NUL
        "/cuewright/update/x%0a.zip",     // control characters
        "/cuewright/update//etc/passwd",  // empty component
        "/cuewright/update/./x",          //
        "/cuewright/update/.hidden.tmp",  // the publisher's unfinished files
        "/cuewright/update/x%zz",         // broken escape
        "/cuewright/update/%ff.zip",      // not UTF-8
        "/cuewright/other/x",             // another folder
        "/Cuewright/update/x",            //
    };
    for (const char *path : refused)
        EXPECT_FALSE(web::updateFilePath(path)) << path;
}

TEST(WebRules, FormsDecodeAndPagesEscapeWhatTheyAreGiven)
{
    const auto form = web::parseForm("username=ann&password=a%40b+c&empty=&flag");
    ASSERT_TRUE(form);
    EXPECT_EQ(web::formValue(*form, "username"), "ann");
    EXPECT_EQ(web::formValue(*form, "password"), "a@b c");
    EXPECT_EQ(web::formValue(*form, "empty"), "");
    EXPECT_EQ(web::formValue(*form, "missing"), "");
    EXPECT_FALSE(web::parseForm("a=%4"));
    EXPECT_FALSE(web::parseForm("a=%G0"));

    const std::string page = web::fillTemplate("<p>{{name}}</p>{{{raw}}}{{unknown}}",
                                               {{"name", "<script>\"&'"}, {"raw", "<b>x</b>"}});
    EXPECT_EQ(page, "<p>&lt;script&gt;&quot;&amp;&#39;</p><b>x</b>");
    EXPECT_EQ(web::durationText(3661), "1小时1分1秒");
    EXPECT_EQ(web::durationText(0), "");
}

TEST(WebRules, PaymentIdReadsBackWhatTheClientLibraryBuilds)
{
    setenv("CUEWRIGHT_WEB_HOST", "http://127.0.0.1:30080", 1);
    const std::string session = "0123456789abcdef0123456789abcdef";
    char address[SUBTITLE_ALIPAY_BUFFER_SIZE] = {};
    ASSERT_GT(subtitle_alipay(session.c_str(), "ann_1", address), 0);
    const std::string prefix = "http://127.0.0.1:30080/alipay/index.php?id=";
    ASSERT_EQ(std::string(address).rfind(prefix, 0), 0u) << address;
    const std::string id = std::string(address).substr(prefix.size());
    EXPECT_EQ(web::rawQueryValue("id=" + id + "&x=1", "id"), id);  // "+" survives

    const auto link = web::decodePaymentId(id);
    ASSERT_TRUE(link);
    EXPECT_EQ(link->user, "ann_1");
    EXPECT_EQ(link->showUrl, "http://127.0.0.1:30080");
    EXPECT_EQ(link->session, session);

    std::string tampered = id;
    tampered[tampered.size() / 2] = tampered[tampered.size() / 2] == 'A' ? 'B' : 'A';
    const auto other = web::decodePaymentId(tampered);
    EXPECT_TRUE(!other || other->session != session || other->user != "ann_1");
    EXPECT_FALSE(web::decodePaymentId("not base64!"));
    EXPECT_FALSE(web::decodePaymentId(""));

    EXPECT_EQ(web::secondsForMoney(25), 3600);
    EXPECT_EQ(web::secondsForMoney(10), 1440);
    EXPECT_EQ(web::secondsForMoney(1), 144);
    EXPECT_TRUE(web::isWebAddress("https://example.test/back"));
    EXPECT_FALSE(web::isWebAddress("javascript:alert(1)"));
    EXPECT_FALSE(web::isWebAddress("http://x\"onmouseover=1"));
}

class ServiceWeb : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(data_.isValid() && root_.isValid());
        service_ = std::make_unique<ServiceProcess>(QStringLiteral(CW_SERVICE_BINARY), data_.path());
    }
    void start(QStringList extra = {})
    {
        extra << QStringLiteral("--web-port") << QStringLiteral("0") << QStringLiteral("--web-root") << root_.path()
              << QStringLiteral("--workers") << QStringLiteral("1");
        ASSERT_TRUE(service_->start(extra)) << service_->readLog().toStdString();
        base_ = service_->webAddress().toStdString();
    }
    void TearDown() override
    {
        if (service_->running()) {
            EXPECT_EQ(service_->stop(), 0);
        }
    }

    std::string login(const char *user, const char *password)
    {
        ServiceHandle *handle = subtitle_start("127.0.0.1", unsigned(service_->port()));
        char *session = nullptr;
        const int rc = subtitle_login(handle, user, password, &session);
        subtitle_end(handle);
        std::string text = rc == 0 && session ? session : "";
        std::free(session);
        return text;
    }
    std::string balance(const std::string &session)
    {
        ServiceHandle *handle = subtitle_start("127.0.0.1", unsigned(service_->port()));
        char *text = nullptr;
        const int rc = subtitle_balance(handle, session.c_str(), &text);
        std::string out = rc == 0 && text ? text : "error";
        subtitle_end(handle);
        std::free(text);  // the caller's, past subtitle_end
        return out;
    }
    std::string records(const std::string &session)
    {
        ServiceHandle *handle = subtitle_start("127.0.0.1", unsigned(service_->port()));
        char *text = nullptr;
        const int rc = subtitle_costlog(handle, session.c_str(), 0, 200, &text);
        std::string out = rc == 0 && text ? text : "error";
        subtitle_end(handle);
        std::free(text);  // the caller's, past subtitle_end
        return out;
    }
    void writeUpdateFile(const QString &relative, const QByteArray &bytes)
    {
        const QString path = root_.path() + QStringLiteral("/cuewright/update/") + relative;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QTemporaryDir data_, root_;
    std::unique_ptr<ServiceProcess> service_;
    std::string base_;
};

TEST_F(ServiceWeb, EveryPageTheProgramOpensIsUtf8Html)
{
    start();
    const std::pair<const char *, const char *> pages[] = {{"/", "Cuewright 字幕工作站"},
                                                           {"/faq.html", "常见问题"},
                                                           {"/askQuestion.honzh", "字幕中夹杂英文影响对齐？"},
                                                           {"/toRegister.honzh", "用户名："}};
    for (const auto &[path, text] : pages) {
        const HttpReply reply = httpGet(base_ + path);
        EXPECT_EQ(reply.status, 200) << path;
        EXPECT_EQ(reply.contentType, "text/html; charset=utf-8") << path;
        EXPECT_TRUE(contains(reply.body, text)) << path;
    }
    EXPECT_EQ(httpGet(base_ + "/nothing.html").status, 404);
    HttpRequest put;
    put.method = "PUT";
    put.url = base_ + "/faq.html";
    EXPECT_EQ(httpRequest(put).status, 405);
    HttpRequest head;
    head.method = "HEAD";
    head.url = base_ + "/";
    EXPECT_EQ(httpRequest(head).status, 200);
}

TEST_F(ServiceWeb, RegistrationMakesAnAccountThatLogsInThroughTheLibrary)
{
    start({QStringLiteral("--initial-balance"), QStringLiteral("600")});
    const std::string url = base_ + "/toRegister.honzh";
    HttpReply reply = httpPostForm(url, {{"username", " web_user "}, {"password", "pw_9"}, {"confirm", "pw_9"}});
    EXPECT_EQ(reply.status, 200);
    EXPECT_TRUE(contains(reply.body, "注册成功")) << reply.body;
    EXPECT_TRUE(contains(reply.body, "10分"));
    const std::string session = login("web_user", "pw_9");
    ASSERT_EQ(session.size(), 32u);
    EXPECT_EQ(balance(session), "600");

    reply = httpPostForm(url, {{"username", "web_user"}, {"password", "other"}, {"confirm", "other"}});
    EXPECT_EQ(reply.status, 409);
    EXPECT_TRUE(contains(reply.body, "用户名已经被占用，请选择一个其他的"));
    EXPECT_EQ(login("web_user", "other"), "");  // the first password still holds

    struct Refusal {
        std::vector<std::pair<std::string, std::string>> fields;
        const char *message;
    } refusals[] = {
        {{{"username", ""}, {"password", "a"}, {"confirm", "a"}}, "用户名不能为空！"},
        {{{"username", "x1"}, {"password", ""}, {"confirm", ""}}, "密码不能为空！"},
        {{{"username", "x2"}, {"password", "a"}, {"confirm", ""}}, "确认密码不能为空！"},
        {{{"username", "x3"}, {"password", "a"}, {"confirm", "A"}}, "两次输入密码不一致！"},
        {{{"username", "名字"}, {"password", "a"}, {"confirm", "a"}}, "用户名只能使用字母、数字、@ 和 _"},
        {{{"username", "x4"}, {"password", "a b"}, {"confirm", "a b"}}, "密码只能使用字母、数字、@ 和 _"},
        {{{"username", "x5"}, {"password", "a"}, {"confirm", "a"}, {"email", "no-at-sign"}}, "邮箱地址不正确"},
    };
    for (const Refusal &refusal : refusals) {
        reply = httpPostForm(url, refusal.fields);
        EXPECT_EQ(reply.status, 400) << refusal.message;
        EXPECT_TRUE(contains(reply.body, refusal.message)) << refusal.message;
    }
    EXPECT_EQ(login("x3", "a"), "");
    // A name typed into the form comes back escaped, never as markup.
    reply = httpPostForm(url, {{"username", "<b>x"}, {"password", "a"}, {"confirm", "a"}});
    EXPECT_FALSE(contains(reply.body, "<b>x"));
}

TEST_F(ServiceWeb, BodiesOverEightKibAreRefusedWithOrWithoutALength)
{
    start();
    HttpRequest post;
    post.method = "POST";
    post.url = base_ + "/toRegister.honzh";
    post.body = "username=" + std::string(9000, 'a');
    EXPECT_EQ(httpRequest(post).status, 413);
    post.chunked = true;
    EXPECT_EQ(httpRequest(post).status, 413);
    post.body = "username=" + std::string(8000, 'a');
    EXPECT_EQ(httpRequest(post).status, 400);  // within the limit: read, and refused as a name
    post.chunked = false;
    post.contentType = "multipart/form-data; boundary=x";
    EXPECT_EQ(httpRequest(post).status, 415);
}

TEST_F(ServiceWeb, DemoPaymentCreditsTheAccountOfTheSessionAndLinksBack)
{
    start();
    ASSERT_TRUE(service_->addUser(QStringLiteral("payer"), QStringLiteral("pw"), 100));
    const std::string session = login("payer", "pw");
    ASSERT_EQ(session.size(), 32u);
    setenv("CUEWRIGHT_WEB_HOST", base_.c_str(), 1);
    char address[SUBTITLE_ALIPAY_BUFFER_SIZE] = {};
    ASSERT_GT(subtitle_alipay(session.c_str(), "payer", address), 0);
    ASSERT_EQ(std::string(address).rfind(base_ + "/alipay/index.php?id=", 0), 0u) << address;

    HttpReply page = httpGet(address);
    EXPECT_EQ(page.status, 200);
    EXPECT_TRUE(contains(page.body, "payer"));
    EXPECT_TRUE(contains(page.body, "1分40秒"));  // the balance before paying
    const std::string id = web::rawQueryValue(web::splitTarget(address).query, "id");

    HttpReply paid = httpPostForm(base_ + "/alipay/index.php", {{"id", id}, {"amount", "25"}});
    EXPECT_EQ(paid.status, 200);
    EXPECT_TRUE(contains(paid.body, "充值成功"));
    EXPECT_TRUE(contains(paid.body, "href=\"" + base_ + "\"")) << paid.body;
    EXPECT_EQ(balance(session), "3700");
    EXPECT_TRUE(contains(records(session), ",+,25,3600")) << records(session);

    EXPECT_EQ(httpPostForm(base_ + "/alipay/index.php", {{"id", id}, {"amount", "0"}}).status, 400);
    EXPECT_EQ(httpPostForm(base_ + "/alipay/index.php", {{"id", id}, {"amount", "-5"}}).status, 400);
    EXPECT_EQ(httpGet(base_ + "/alipay/index.php?id=bm90IGEgbGluaw").status, 400);
    EXPECT_EQ(balance(session), "3700");

    // A link of a session that has ended pays nothing.
    ServiceHandle *handle = subtitle_start("127.0.0.1", unsigned(service_->port()));
    subtitle_logout(handle, session.c_str());
    subtitle_end(handle);
    EXPECT_EQ(httpPostForm(base_ + "/alipay/index.php", {{"id", id}, {"amount", "25"}}).status, 400);
    EXPECT_EQ(httpGet(address).status, 400);
}

TEST_F(ServiceWeb, RechargesOverTheProtocolAreRefusedAndOperatorsCredit)
{
    start();
    ASSERT_TRUE(service_->addUser(QStringLiteral("ann"), QStringLiteral("pw"), 600));
    const std::string session = login("ann", "pw");
    ServiceHandle *handle = subtitle_start("127.0.0.1", unsigned(service_->port()));
    EXPECT_EQ(subtitle_recharge(handle, session.c_str(), "0"), -1);
    EXPECT_EQ(errnum, 39);  // 充值错误
    subtitle_end(handle);
    EXPECT_EQ(balance(session), "600");

    EXPECT_EQ(service_->addCredit(QStringLiteral("ann"), 900), 0);
    EXPECT_EQ(balance(session), "1500");
    EXPECT_TRUE(contains(records(session), ",+,0,900")) << records(session);
    EXPECT_EQ(service_->addCredit(QStringLiteral("nobody"), 900), 1);
}

TEST_F(ServiceWeb, UpdateFolderServesItsFilesAndNothingElse)
{
    QByteArray archive(300000, '\0');
    for (int i = 0; i < archive.size(); ++i)
        archive[i] = char(i * 7);
    writeUpdateFile(QStringLiteral("Cuewright_v313.zip"), archive);
    writeUpdateFile(QStringLiteral("version3.0.ini"), "version=313\n");
    writeUpdateFile(QStringLiteral("old/a.zip"), "old");
    writeUpdateFile(QStringLiteral(".Cuewright_v314.zip.tmp"), "unfinished");
    QFile secret(root_.path() + QStringLiteral("/secret.txt"));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write("outside");
    secret.close();
    const QString folder = root_.path() + QStringLiteral("/cuewright/update/");
    ASSERT_TRUE(QFile::link(root_.path() + QStringLiteral("/secret.txt"), folder + QStringLiteral("out.txt")));
    ASSERT_TRUE(QFile::link(folder + QStringLiteral("version3.0.ini"), folder + QStringLiteral("latest.ini")));
    start();

    const std::string update = base_ + "/cuewright/update/";
    HttpReply reply = httpGet(update + "Cuewright_v313.zip");
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.contentType, "application/zip");
    EXPECT_EQ(reply.body, archive.toStdString());
    reply = httpGet(update + "version3.0.ini");
    EXPECT_EQ(reply.body, "version=313\n");
    EXPECT_EQ(reply.contentType, "text/plain; charset=utf-8");
    EXPECT_EQ(httpGet(update + "old/a.zip").body, "old");
    EXPECT_EQ(httpGet(update + "latest.ini").status, 200);  // a link that stays inside

    EXPECT_EQ(httpGet(update + "out.txt").status, 403);  // a link leading outside
    EXPECT_EQ(httpGet(update + "missing.zip").status, 404);
    EXPECT_EQ(httpGet(update + "old").status, 404);  // folders are not listed
    EXPECT_EQ(httpGet(update).status, 403);
    for (const char *path : {"../secret.txt", "%2e%2e/secret.txt", "%2E%2E/secret.txt", "old/..%2f..%2fsecret.txt",
                             "..\\secret.txt", "version3.0.ini%00.zip", ".Cuewright_v314.zip.tmp"}) {
        reply = httpGet(update + path);
        EXPECT_EQ(reply.status, 403) << path;
        EXPECT_FALSE(contains(reply.body, "outside")) << path;
    }
    HttpRequest post;
    post.method = "POST";
    post.url = update + "version3.0.ini";
    EXPECT_EQ(httpRequest(post).status, 405);
}

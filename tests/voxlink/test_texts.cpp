// Texts the library hands out: error messages, fingerprints, payment address.
#include <gtest/gtest.h>

#include <iconv.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>

#include "digest.h"
#include "transcription_job.h"
#include "voxlink.h"

namespace {

// The messages as they read in UTF-8; the library keeps them in GBK.
const char *const kMessages[] = {
    u8"", // 0
    u8"无效的错误码", // 1
    u8"协议错误，使用TCP/UDP", // 2
    u8"空变量", // 3
    u8"内存不足", // 4
    u8"无法申请到网络套接字", // 5
    u8"无效的命令", // 6
    u8"内存缓冲区错误", // 7
    u8"网络连接错误", // 8
    u8"文件打开错误", // 9
    u8"获取文件状态错误", // 10
    u8"读取网络数据包错误", // 11
    u8"生成网络数据包错误", // 12
    u8"发送网络数据包错误", // 13
    u8"网络数据包头错误", // 14
    u8"文件偏移错误", // 15
    u8"无法获取数据包长度", // 16
    u8"读取网络数据包头部错误", // 17
    u8"读取网络数据包体错误", // 18
    u8"未知的服务类型", // 19
    u8"登录成功", // 20
    u8"用户名或密码错误，无法登录", // 21
    u8"登录服务内部错误", // 22
    u8"用户不存在", // 23
    u8"用户尚未激活", // 24
    u8"登录数据包状态码错误", // 25
    u8"更新成功", // 26
    u8"更新错误", // 27
    u8"更新服务内部错误", // 28
    u8"更新数据包状态码错误", // 29
    u8"会话验证成功", // 30
    u8"会话错误", // 31
    u8"会话服务内部错误", // 32
    u8"会话数据包状态码错误", // 33
    u8"退出成功", // 34
    u8"退出错误", // 35
    u8"退出服务内部错误", // 36
    u8"退出数据包状态码错误", // 37
    u8"充值成功", // 38
    u8"充值错误", // 39
    u8"充值服务内部错误", // 40
    u8"充值数据包状态码错误", // 41
    u8"注册成功", // 42
    u8"用户名已经被占用，请选择一个其他的", // 43
    u8"注册服务内部错误", // 44
    u8"注册数据包状态码错误", // 45
    u8"查询成功", // 46
    u8"没有查询到该用户信息", // 47
    u8"查询服务内部错误", // 48
    u8"查询数据包状态码错误", // 49
    u8"消费记录查询成功", // 50
    u8"没有查询到该用户的消费信息", // 51
    u8"消费记录查询服务内部错误", // 52
    u8"消费记录查询数据包状态码错误", // 53
    u8"余额查询成功", // 54
    u8"没有查询到该用户的余额信息", // 55
    u8"余额查询服务内部错误", // 56
    u8"余额查询数据包状态码错误", // 57
    u8"字幕生成成功", // 58
    u8"字幕生成错误", // 59
    u8"字幕服务内部错误", // 60
    u8"字幕服务初始化失败", // 61
    u8"读取偏移量错误", // 62
    u8"推送音频错误", // 63
    u8"推送文本错误", // 64
    u8"发送超时", // 65
    u8"接收超时", // 66
    u8"网络数据包没有消息体", // 67
    u8"消息体未知错误", // 68
    u8"识别引擎处理错误", // 69
    u8"识别引擎写错误", // 70
    u8"识别引擎从磁盘获取文件错误", // 71
    u8"识别引擎处理超时", // 72
    u8"识别引擎未知错误", // 73
    u8"您的账户余额不足，请及时充值", // 74
};

std::string gbkToUtf8(const std::string &gbk)
{
    iconv_t cd = iconv_open("UTF-8", "GBK");
    std::string out(gbk.size() * 3 + 1, '\0');
    char *in = const_cast<char *>(gbk.data());
    size_t inLeft = gbk.size();
    char *outPtr = &out[0];
    size_t outLeft = out.size();
    size_t converted = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (converted == static_cast<size_t>(-1))
        return "<not GBK>";
    out.resize(out.size() - outLeft);
    return out;
}

TEST(ErrorMessages, EveryCodeDecodesFromGbkToItsText)
{
    static_assert(sizeof kMessages / sizeof kMessages[0] == 75, "75 codes");
    for (int code = 0; code < 75; ++code) {
        SCOPED_TRACE(code);
        const std::string gbk = subtitle_strerror(code);
        EXPECT_EQ(gbkToUtf8(gbk), kMessages[code]);
        if (code > 0) { // stored as GBK, not as the UTF-8 text
            EXPECT_NE(gbk, kMessages[code]);
        }
    }
}

TEST(ErrorMessages, UnknownCodesGiveTheInvalidCodeText)
{
    for (int code : {75, 76, 1000, -1, -75, INT32_MIN, INT32_MAX})
        EXPECT_STREQ(subtitle_strerror(code), subtitle_strerror(1)) << code;
    EXPECT_STREQ(subtitle_strerror(0), "");
}

class TempFile {
public:
    explicit TempFile(const std::string &content)
    {
        char pattern[] = "/tmp/voxlink-test-XXXXXX";
        int fd = mkstemp(pattern);
        path_ = pattern;
        ::close(fd);
        std::ofstream(path_, std::ios::binary) << content;
    }
    ~TempFile() { std::remove(path_.c_str()); }
    const char *path() const { return path_.c_str(); }

private:
    std::string path_;
};

TEST(FileFinger, DigestsWholeContentAcrossBlocks)
{
    struct Case { std::string content; const char *md5; };
    const Case cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {std::string("a\0b", 3), "70350f6027bce3713f6b76473084309b"},
        // 4096 * 2 + 1 bytes of 'a': crosses the read blocks.
        {std::string(8193, 'a'), nullptr},
    };
    for (const auto &c : cases) {
        TempFile file(c.content);
        char *finger = file_finger(file.path());
        ASSERT_NE(finger, file.path());
        EXPECT_EQ(strlen(finger), 32u);
        char expected[VX_MD5_HEX_SIZE];
        ASSERT_EQ(vx_md5_hex_string(c.content.c_str(), expected), 0);
        if (c.md5) {
            EXPECT_STREQ(finger, c.md5);
        } else {
            EXPECT_STREQ(finger, expected);
        }
        free(finger);
    }
}

TEST(FileFinger, UnreadableFileGivesThePathBackAndReports)
{
    const char *path = "/tmp/voxlink-test-no-such-file";
    testing::internal::CaptureStderr();
    char *finger = file_finger(path);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(finger, path);
    EXPECT_EQ(err.rfind("fopen: ", 0), 0u) << err;
}

TEST(Digest, PasswordHashIsLowercaseMd5Hex)
{
    char hex[VX_MD5_HEX_SIZE];
    ASSERT_EQ(vx_md5_hex_string("pw", hex), 0);
    EXPECT_STREQ(hex, "8fe4c11451281c094a6578e6ddbf5eed");
}

TEST(PathFileName, TakesThePartAfterTheLastSeparator)
{
    const std::pair<const char *, const char *> cases[] = {
        {"a.wav", "a.wav"},
        {"/home/user/media/a.wav", "a.wav"},
        {"C:\\Users\\me\\a.wav", "a.wav"},
        {"/mixed\\dir/b.txt", "b.txt"},
        {"dir/", ""},
    };
    for (const auto &c : cases)
        EXPECT_STREQ(vx_path_file_name(c.first), c.second) << c.first;
}

std::string reversed(std::string text)
{
    return std::string(text.rbegin(), text.rend());
}

std::string base64Decode(const std::string &text)
{
    static const std::string alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned bits = 0;
    int count = 0;
    for (char c : text) {
        if (c == '=')
            break;
        bits = (bits << 6) | static_cast<unsigned>(alphabet.find(c));
        count += 6;
        if (count >= 8) {
            count -= 8;
            out.push_back(static_cast<char>((bits >> count) & 0xff));
        }
    }
    return out;
}

class Alipay : public testing::Test {
protected:
    void SetUp() override { unsetenv("CUEWRIGHT_WEB_HOST"); }
    void TearDown() override { unsetenv("CUEWRIGHT_WEB_HOST"); }

    // The query hidden in an address, undone step by step.
    static std::string queryOf(const std::string &address, const std::string &prefix)
    {
        EXPECT_EQ(address.rfind(prefix, 0), 0u) << address;
        return base64Decode(reversed(address.substr(prefix.size())));
    }
};

TEST_F(Alipay, AddressCarriesTheQueryBase64ReversedAndTheSessionReversed)
{
    char out[SUBTITLE_ALIPAY_BUFFER_SIZE] = {};
    int length = subtitle_alipay("abc123", "user", out);
    ASSERT_GT(length, 0);
    EXPECT_EQ(static_cast<size_t>(length), strlen(out));
    const std::string address = out;
    EXPECT_EQ(queryOf(address, "http://127.0.0.1:30080/alipay/index.php?id="),
              "user=user&show_url=http://127.0.0.1:30080&sid=321cba");
    // Padding ends up first; the session never shows in readable order.
    EXPECT_EQ(address.find("abc123"), std::string::npos);

    char again[SUBTITLE_ALIPAY_BUFFER_SIZE] = {};
    EXPECT_EQ(subtitle_alipay("abc123", "user", again), length);
    EXPECT_STREQ(again, out);
}

TEST_F(Alipay, WebHostComesFromTheEnvironment)
{
    setenv("CUEWRIGHT_WEB_HOST", "https://pay.example.test:8443/", 1);
    char out[SUBTITLE_ALIPAY_BUFFER_SIZE] = {};
    ASSERT_GT(subtitle_alipay("s1", "u", out), 0);
    EXPECT_EQ(queryOf(out, "http://pay.example.test:8443/alipay/index.php?id="),
              "user=u&show_url=https://pay.example.test:8443&sid=1s");
}

TEST_F(Alipay, AddressThatWouldNotFitIsRefusedWithoutOverrun)
{
    std::string buffer(SUBTITLE_ALIPAY_BUFFER_SIZE + 16, '#');
    const std::string longUser(3000, 'u');
    EXPECT_EQ(subtitle_alipay("s", longUser.c_str(), &buffer[0]), -1);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer.substr(SUBTITLE_ALIPAY_BUFFER_SIZE), std::string(16, '#'));
}

TEST_F(Alipay, MissingArgumentIsAParamError)
{
    char out[SUBTITLE_ALIPAY_BUFFER_SIZE] = {};
    testing::internal::CaptureStdout();
    EXPECT_EQ(subtitle_alipay(nullptr, "u", out), -1);
    EXPECT_EQ(subtitle_alipay("s", nullptr, out), -1);
    EXPECT_EQ(subtitle_alipay("s", "u", nullptr), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "param error\nparam error\nparam error\n");
}

} // namespace

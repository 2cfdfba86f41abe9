#include "RawClient.h"

#include <arpa/inet.h>
#include <cjson/cJSON.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/evp.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace cw::testing {

RawClient::~RawClient()
{
    close();
}

bool RawClient::connect(int port, int receiveTimeoutMs, const char *source)
{
    close();
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0)
        return false;
    timeval timeout{receiveTimeoutMs / 1000, (receiveTimeoutMs % 1000) * 1000};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    const int yes = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    if (source) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        if (::inet_pton(AF_INET, source, &local.sin_addr) != 1
            || ::bind(fd_, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0) {
            close();
            return false;
        }
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd_, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        close();
        return false;
    }
    return true;
}

void RawClient::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool RawClient::sendBytes(const std::string &bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += size_t(n);
    }
    return true;
}

static std::string header(uint32_t magic, uint32_t version, int32_t kind, int32_t status, int32_t hasBody, int32_t length)
{
    std::string bytes;
    for (uint32_t value : {magic, version, uint32_t(kind), uint32_t(status), uint32_t(hasBody), uint32_t(length)})
        for (int i = 0; i < 4; ++i)
            bytes += char((value >> (8 * i)) & 0xff);
    return bytes;
}

bool RawClient::sendHeader(int32_t kind, int32_t hasBody, int32_t length, uint32_t magic, uint32_t version)
{
    return sendBytes(header(magic, version, kind, 0, hasBody, length));
}

bool RawClient::sendFrame(int32_t kind, const std::string &body, uint32_t magic, uint32_t version)
{
    return sendBytes(header(magic, version, kind, 0, 1, int32_t(body.size())) + body);
}

static bool receiveExact(int fd, char *buffer, size_t size)
{
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::recv(fd, buffer + got, size - got, 0);
        if (n <= 0)
            return false;
        got += size_t(n);
    }
    return true;
}

std::optional<RawReply> RawClient::readReply()
{
    char bytes[24];
    if (fd_ < 0 || !receiveExact(fd_, bytes, sizeof bytes))
        return std::nullopt;
    auto field = [&bytes](int index) {
        const auto *p = reinterpret_cast<const unsigned char *>(bytes + index * 4);
        return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
    };
    RawReply reply;
    reply.kind = field(2);
    reply.status = field(3);
    reply.hasBody = field(4);
    reply.length = field(5);
    if (reply.hasBody && reply.length > 0) {
        reply.body.resize(size_t(reply.length));
        if (!receiveExact(fd_, reply.body.data(), reply.body.size()))
            return std::nullopt;
    }
    return reply;
}

std::optional<RawReply> RawClient::readFinalReply()
{
    for (;;) {
        auto reply = readReply();
        if (!reply || reply->status != -1)
            return reply;
    }
}

bool RawClient::closedByPeer()
{
    char scratch[256];
    for (;;) {
        const ssize_t n = ::recv(fd_, scratch, sizeof scratch, 0);
        if (n == 0)
            return true;
        if (n < 0)
            return errno == ECONNRESET;
    }
}

bool RawClient::closedNow()
{
    char scratch[256];
    for (;;) {
        const ssize_t n = ::recv(fd_, scratch, sizeof scratch, MSG_DONTWAIT);
        if (n == 0)
            return true;
        if (n < 0)
            return errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR;
    }
}

std::string announcementBody(const std::string &user, const std::string &session, const std::string &filename,
                             int64_t audioSize, const std::string &fingerprint, const std::string &textname,
                             const std::string &textFinger, int64_t textSize, int durationSeconds)
{
    cJSON *root = cJSON_CreateObject();
    cJSON_AddStringToObject(root, "username", user.c_str());
    cJSON_AddStringToObject(root, "session", session.c_str());
    cJSON_AddStringToObject(root, "filename", filename.c_str());
    cJSON_AddNumberToObject(root, "audio_size", double(audioSize));
    cJSON_AddStringToObject(root, "fingerprint", fingerprint.c_str());
    cJSON_AddStringToObject(root, "type", "unknown");
    cJSON_AddNumberToObject(root, "size", double(audioSize));
    cJSON_AddStringToObject(root, "source_finger", "unknown");
    cJSON_AddStringToObject(root, "textname", textname.c_str());
    cJSON_AddStringToObject(root, "text_finger", textFinger.c_str());
    cJSON_AddNumberToObject(root, "text_size", double(textSize));
    const std::string duration = std::to_string(durationSeconds / 3600) + ":" + std::to_string(durationSeconds % 3600 / 60)
                                 + ":" + std::to_string(durationSeconds % 60);
    cJSON_AddStringToObject(root, "duration", duration.c_str());
    cJSON_AddNumberToObject(root, "hours", durationSeconds / 3600);
    cJSON_AddNumberToObject(root, "minutes", durationSeconds % 3600 / 60);
    cJSON_AddNumberToObject(root, "seconds", durationSeconds % 60);
    char *printed = cJSON_Print(root);
    std::string body = printed;
    cJSON_free(printed);
    cJSON_Delete(root);
    return body;
}

std::string hexText(const unsigned char *bytes, unsigned int length)
{
    std::string text;
    char pair[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
        text += pair;
    }
    return text;
}

std::string md5Hex(const std::string &bytes)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr);
    return hexText(digest, length);
}

std::string rawLogin(int port, const std::string &user, const std::string &password, const char *source, int *status)
{
    if (status)
        *status = -1;
    RawClient client;
    if (!client.connect(port, 30000, source)
        || !client.sendFrame(2, "{\"username\":\"" + user + "\",\"password\":\"" + md5Hex(password) + "\"}"))
        return {};
    const auto reply = client.readReply();
    if (!reply)
        return {};
    if (status)
        *status = reply->status;
    const size_t key = reply->body.find("\"session\"");
    const size_t open = key == std::string::npos ? key : reply->body.find('"', key + 9);
    const size_t close = open == std::string::npos ? open : reply->body.find('"', open + 1);
    return reply->status == 0 && close != std::string::npos ? reply->body.substr(open + 1, close - open - 1)
                                                             : std::string();
}

std::string readFileBytes(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

}  // namespace cw::testing

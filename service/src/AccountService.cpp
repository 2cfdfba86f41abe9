#include "AccountService.h"

#include "LoginBackoff.h"
#include "MessageHeader.h"
#include "ReplyText.h"
#include "RequestBodies.h"
#include "SessionIds.h"

#include <algorithm>
#include <chrono>

namespace cw::service {

namespace {

constexpr int32_t kOk = 0;
constexpr int32_t kRefused = 1;
constexpr int32_t kStoreFailed = 2;
constexpr int32_t kMalformed = 3;
constexpr int kMaxCountRounds = 100;

int64_t systemNow()
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

int32_t statusOf(StoreResult result)
{
    return result == StoreResult::Error ? kStoreFailed : kRefused;
}

// [start, end) from the newest, as offset and count; nothing for an empty range.
bool listRange(const RangeRequest &request, int64_t *start, int64_t *count)
{
    if (request.start < 0 || request.end <= request.start)
        return false;
    *start = request.start;
    *count = std::min(request.end - request.start, AccountService::kMaxListedLines);
    return true;
}

// The rows [start, end) counted from the newest, sent oldest first, one a line.
template <typename Row, typename Fetch, typename Format>
AccountReply listReply(const UserRow &user, const RangeRequest &request, Fetch fetch, Format format)
{
    int64_t start = 0, count = 0;
    if (!listRange(request, &start, &count))
        return {kRefused, {}, user.name};
    std::vector<Row> rows;
    if (fetch(start, count, &rows) != StoreResult::Ok)
        return {kStoreFailed, {}, user.name};
    if (rows.empty())
        return {kRefused, {}, user.name};
    std::vector<std::string> lines;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        lines.push_back(format(*it));
    return {kOk, joinLines(lines), user.name};
}

}  // namespace

AccountService::AccountService(AccountStore &store, PasswordHasher &hasher, int64_t initialBalance, Clock clock)
    : store_(store), hasher_(hasher), initialBalance_(initialBalance), clock_(clock ? std::move(clock) : Clock(systemNow))
{
}

AccountReply AccountService::handle(int32_t kind, const std::string &body, const std::string &peer)
{
    switch (kind) {
    case KindRegister: return registerUser(body);
    case KindLogin: return login(body, peer);
    case KindRecharge: return recharge(body);
    case KindChangePassword: return changePassword(body, peer);
    case KindCheckSession: return checkSession(body);
    case KindQuery: return listJobs(body);
    case KindLogout: return logout(body);
    case KindRecords: return listRecords(body);
    case KindBalance: return balance(body);
    default: return {kMalformed, {}, {}};
    }
}

StoreResult AccountService::sessionUser(const std::string &session, UserRow *out)
{
    return store_.sessionUser(sessionDigest(session), now() - kSessionLifetime, out);
}

StoreResult AccountService::addUser(const std::string &name, const std::string &passwordDigest, int64_t balance)
{
    const std::string hash = hasher_.hash(lowercase(passwordDigest));
    if (hash.empty())
        return StoreResult::Error;
    return store_.createUser(name, hash, std::string(), balance, now());
}

AccountReply AccountService::registerUser(const std::string &body)
{
    const auto request = decodeRegistration(body);
    if (!request)
        return {kMalformed, {}, {}};
    return registerAccount(*request);
}

AccountReply AccountService::registerAccount(const RegistrationRequest &request)
{
    const std::string hash = hasher_.hash(request.passwordDigest);
    if (hash.empty())
        return {kStoreFailed, {}, request.username};
    const StoreResult result = store_.createUser(request.username, hash, request.email, initialBalance_, now());
    if (result == StoreResult::Ok)
        return {kOk, {}, request.username};
    return {result == StoreResult::Conflict ? kRefused : kStoreFailed, {}, request.username};
}

StoreResult AccountService::credit(const std::string &name, int64_t seconds, const std::string &money)
{
    if (seconds <= 0 || seconds > kMaxBalance)
        return StoreResult::Insufficient;
    UserRow user;
    const StoreResult found = store_.findUser(name, &user);
    if (found != StoreResult::Ok)
        return found;
    return store_.recharge(user.id, seconds, money, now());
}

AccountService::Check AccountService::checkPassword(const std::string &name, const std::string &digest,
                                                    const std::string &peer, UserRow *user)
{
    const StoreResult found = store_.findUser(name, user);
    if (found == StoreResult::NotFound) {
        hasher_.verifyNothing(digest);
        return Check::UnknownUser;
    }
    if (found != StoreResult::Ok)
        return Check::StoreFailed;
    // Judged on the failures recorded so far, read again each time, since
    // the checks this one waits for change them.
    StoreResult reread = StoreResult::Ok;
    LoginFailures fromPeer;
    LoginAttempts::Ticket ticket = attempts_.admit({user->id, peer}, [&](int inFlight) {
        reread = store_.findUser(name, user);
        if (reread == StoreResult::Ok)
            reread = store_.addressLoginFailures(user->id, peer, &fromPeer);
        const int64_t at = now();
        if (reread != StoreResult::Ok || !LoginBackoff::accountMayTry(user->failedLogins, user->lastFailureAt, at)
            || !LoginBackoff::mayTry(fromPeer.failures, fromPeer.lastFailureAt, at))
            return LoginAttempts::Admission::Refuse;
        return LoginBackoff::mayStart(fromPeer.failures, fromPeer.lastFailureAt, inFlight, at)
                   ? LoginAttempts::Admission::Start
                   : LoginAttempts::Admission::Wait;
    });
    if (reread != StoreResult::Ok)
        return Check::StoreFailed;
    if (!ticket.admitted()) {
        // As slow as a real check, so a refusal does not tell that the account exists.
        hasher_.verifyNothing(digest);
        return Check::Refused;
    }
    const bool right = hasher_.verify(user->passwordHash, digest);
    StoreResult recorded = StoreResult::Error;
    ticket.finish([&] {
        recorded = right ? store_.clearLoginFailures(user->id, peer) : countFailure(name, peer, user, &fromPeer);
    });
    if (recorded != StoreResult::Ok)
        return Check::StoreFailed;
    return right ? Check::Ok : Check::Refused;
}

StoreResult AccountService::countFailure(const std::string &name, const std::string &peer, UserRow *user,
                                         LoginFailures *fromPeer)
{
    // Checks from one address record their outcome one at a time here; a
    // lost race comes from another address (or store client), so a few
    // rounds do.
    for (int round = 0; round < kMaxCountRounds; ++round) {
        const int64_t at = now();
        const LoginFailures account{
            LoginBackoff::accountFailuresAfterFailure(user->failedLogins, fromPeer->failures), at};
        const LoginFailures address{LoginBackoff::failuresAfterFailure(fromPeer->failures), at};
        const StoreResult counted = store_.countLoginFailure(
            user->id, peer, {user->failedLogins, user->lastFailureAt}, *fromPeer, account, address);
        if (counted != StoreResult::Conflict)
            return counted;
        if (store_.findUser(name, user) != StoreResult::Ok
            || store_.addressLoginFailures(user->id, peer, fromPeer) != StoreResult::Ok)
            return StoreResult::Error;
    }
    return StoreResult::Error;
}

AccountReply AccountService::login(const std::string &body, const std::string &peer)
{
    const auto request = decodeLogin(body);
    if (!request)
        return {kRefused, {}, {}};
    UserRow user;
    switch (checkPassword(request->username, request->passwordDigest, peer, &user)) {
    case Check::UnknownUser: return {3, {}, request->username};
    case Check::Refused: return {kRefused, {}, request->username};
    case Check::StoreFailed: return {kStoreFailed, {}, request->username};
    case Check::Ok: break;
    }
    if (!user.active)
        return {4, {}, request->username};
    const std::string session = newSessionId();
    if (store_.addSession(sessionDigest(session), user.id, now()) != StoreResult::Ok)
        return {kStoreFailed, {}, request->username};
    return {kOk, loginReplyBody(session), request->username};
}

AccountReply AccountService::changePassword(const std::string &body, const std::string &peer)
{
    const auto request = decodePasswordChange(body);
    if (!request)
        return {kRefused, {}, {}};
    UserRow user;
    switch (checkPassword(request->username, request->passwordDigest, peer, &user)) {
    case Check::UnknownUser:
    case Check::Refused: return {kRefused, {}, request->username};
    case Check::StoreFailed: return {kStoreFailed, {}, request->username};
    case Check::Ok: break;
    }
    const std::string hash = hasher_.hash(request->newPasswordDigest);
    if (hash.empty() || store_.setPasswordHash(user.id, hash) != StoreResult::Ok)
        return {kStoreFailed, {}, user.name};
    return {kOk, {}, user.name};
}

AccountReply AccountService::recharge(const std::string &body)
{
    const auto request = decodeRecharge(body);
    if (!request)
        return {kRefused, {}, {}};
    UserRow user;
    const StoreResult found = sessionUser(request->session, &user);
    if (found != StoreResult::Ok)
        return {statusOf(found), {}, {}};
    if (!rechargeAllowed_)
        return {kRefused, {}, user.name};
    if (request->duration <= 0 || request->duration > kMaxBalance)
        return {kRefused, {}, user.name};
    const StoreResult result = store_.recharge(user.id, request->duration, request->money, now());
    return {result == StoreResult::Ok ? kOk : statusOf(result), {}, user.name};
}

AccountReply AccountService::checkSession(const std::string &body)
{
    const auto request = decodeSession(body);
    if (!request)
        return {kRefused, {}, {}};
    UserRow user;
    const StoreResult found = sessionUser(request->session, &user);
    return {found == StoreResult::Ok ? kOk : statusOf(found), {}, user.name};
}

AccountReply AccountService::logout(const std::string &body)
{
    const auto request = decodeSession(body);
    if (!request)
        return {kRefused, {}, {}};
    UserRow user;
    const StoreResult found = sessionUser(request->session, &user);
    if (found != StoreResult::Ok)
        return {statusOf(found), {}, {}};
    const StoreResult removed = store_.removeSession(sessionDigest(request->session));
    return {removed == StoreResult::Ok ? kOk : statusOf(removed), {}, user.name};
}

AccountReply AccountService::balance(const std::string &body)
{
    const auto request = decodeSession(body);
    if (!request)
        return {kRefused, {}, {}};
    UserRow user;
    const StoreResult found = sessionUser(request->session, &user);
    if (found != StoreResult::Ok)
        return {statusOf(found), {}, {}};
    return {kOk, std::to_string(user.balance), user.name};
}

AccountReply AccountService::listRecords(const std::string &body)
{
    const auto request = decodeRange(body);
    if (!request)
        return {kRefused, {}, {}};
    UserRow user;
    const StoreResult found = sessionUser(request->session, &user);
    if (found != StoreResult::Ok)
        return {statusOf(found), {}, {}};
    return listReply<BalanceRecord>(
        user, *request,
        [&](int64_t start, int64_t count, std::vector<BalanceRecord> *rows) {
            return store_.records(user.id, start, count, rows);
        },
        [](const BalanceRecord &r) { return recordLine(r.at, r.sign, r.amount, r.seconds); });
}

AccountReply AccountService::listJobs(const std::string &body)
{
    const auto request = decodeRange(body);
    if (!request)
        return {kRefused, {}, {}};
    UserRow user;
    const StoreResult found = sessionUser(request->session, &user);
    if (found != StoreResult::Ok)
        return {statusOf(found), {}, {}};
    return listReply<JobRecord>(
        user, *request,
        [&](int64_t start, int64_t count, std::vector<JobRecord> *rows) {
            return store_.jobs(user.id, start, count, rows);
        },
        [](const JobRecord &j) { return queryLine(j.at, j.filename, j.seconds, j.state); });
}

}  // namespace cw::service

#pragma once
// Password checks under way, per account and peer address. A new attempt is judged on the
// failures already recorded; when the checks still running could, by
// failing, put the account into back-off, it waits for them instead of being
// refused over failures that may never happen. The program opens several
// connections per user at once, each with its own log-in.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace cw::service {

class LoginAttempts {
public:
    enum class Admission { Start, Wait, Refuse };
    using Key = std::pair<int64_t, std::string>;  // account id, peer address
    // Called under the account's lock with the number of its checks in
    // flight; after Wait it is asked again each time one of them ends.
    using Judge = std::function<Admission(int inFlight)>;

private:
    struct Account;

public:
    class Ticket {
    public:
        Ticket(Ticket &&other) noexcept;
        Ticket &operator=(Ticket &&) = delete;
        ~Ticket();  // leaves without a record, e.g. when the check threw

        bool admitted() const { return admitted_; }
        // Runs `record` (the check's outcome, written to the store) under
        // the account's lock, then leaves: the next attempt is judged on it.
        void finish(const std::function<void()> &record);

    private:
        friend class LoginAttempts;
        Ticket(LoginAttempts &owner, Key key, std::shared_ptr<Account> account);
        void leave(const std::function<void()> *record);

        LoginAttempts *owner_;
        Key key_;
        std::shared_ptr<Account> account_;
        bool admitted_ = false;
    };

    // Blocks while `judge` says Wait. A ticket that is not admitted was refused.
    Ticket admit(const Key &key, const Judge &judge);

private:
    std::shared_ptr<Account> hold(const Key &key);
    void letGo(const Key &key);

    std::mutex mutex_;
    std::map<Key, std::shared_ptr<Account>> accounts_;  // only while someone holds them
};

}  // namespace cw::service

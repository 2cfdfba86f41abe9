#include "LoginAttempts.h"

namespace cw::service {

struct LoginAttempts::Account {
    std::mutex mutex;
    std::condition_variable ended;
    int inFlight = 0;  // under `mutex`
    int holders = 0;   // under the owner's mutex
};

LoginAttempts::Ticket::Ticket(LoginAttempts &owner, Key key, std::shared_ptr<Account> account)
    : owner_(&owner), key_(std::move(key)), account_(std::move(account))
{
}

LoginAttempts::Ticket::Ticket(Ticket &&other) noexcept
    : owner_(other.owner_), key_(other.key_), account_(std::move(other.account_)),
      admitted_(other.admitted_)
{
    other.admitted_ = false;
}

LoginAttempts::Ticket::~Ticket()
{
    leave(nullptr);
}

void LoginAttempts::Ticket::finish(const std::function<void()> &record)
{
    leave(&record);
}

void LoginAttempts::Ticket::leave(const std::function<void()> *record)
{
    if (!account_)
        return;
    if (admitted_) {
        std::lock_guard<std::mutex> lock(account_->mutex);
        // The count drops even when recording throws, or waiters would hang.
        struct Leaving {
            Account &account;
            ~Leaving()
            {
                --account.inFlight;
                account.ended.notify_all();
            }
        } leaving{*account_};
        admitted_ = false;
        if (record)
            (*record)();
    }
    account_.reset();
    owner_->letGo(key_);
}

LoginAttempts::Ticket LoginAttempts::admit(const Key &key, const Judge &judge)
{
    Ticket ticket(*this, key, hold(key));
    Account &account = *ticket.account_;
    std::unique_lock<std::mutex> lock(account.mutex);
    for (;;) {
        switch (judge(account.inFlight)) {
        case Admission::Start:
            ++account.inFlight;
            ticket.admitted_ = true;
            return ticket;
        case Admission::Refuse: return ticket;
        case Admission::Wait:
            // Wait is only ever said while checks are in flight, and each
            // one that ends wakes us.
            account.ended.wait(lock);
            break;
        }
    }
}

std::shared_ptr<LoginAttempts::Account> LoginAttempts::hold(const Key &key)
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::shared_ptr<Account> &account = accounts_[key];
    if (!account)
        account = std::make_shared<Account>();
    ++account->holders;
    return account;
}

void LoginAttempts::letGo(const Key &key)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = accounts_.find(key);
    if (found != accounts_.end() && --found->second->holders == 0)
        accounts_.erase(found);
}

}  // namespace cw::service

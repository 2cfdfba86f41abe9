#pragma once
// Thin pieces over libpq for the PostgreSQL store: bound parameters, an
// owned result, and which failures may be tried again.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct pg_conn;
struct pg_result;

namespace cw::service::pg {

// Parameters in order: numbers and names as text, bytes (file names, e-mail,
// money text as received) as binary so no encoding check touches them.
class Params {
public:
    Params &add(int64_t value);
    Params &add(const std::string &text);
    Params &bytes(const std::string &raw);

    int count() const { return int(values_.size()); }
    const char *const *values() const;
    const int *lengths() const { return lengths_.data(); }
    const int *formats() const { return formats_.data(); }

private:
    std::vector<std::string> values_;
    std::vector<int> lengths_;
    std::vector<int> formats_;
    mutable std::vector<const char *> pointers_;
};

class Result {
public:
    Result() = default;
    explicit Result(pg_result *result);
    bool ok() const { return ok_; }
    int rows() const;
    int64_t affected() const;  // rows an INSERT, UPDATE or DELETE touched
    std::string sqlState() const;
    std::string message() const;
    bool isNull(int row, int column) const;
    std::string text(int row, int column) const;
    int64_t integer(int row, int column) const;
    std::string bytes(int row, int column) const;  // a bytea column

private:
    std::shared_ptr<pg_result> result_;
    bool ok_ = false;
};

// What to do about a failed statement or connection.
enum class Failure { None, Retry, Fatal };

// A failure without a state (nothing came back), connection exceptions
// (class 08), a server going down (57P01..57P03),
// serialization failures and deadlocks end the transaction without applying
// it, so trying again is safe. Everything else is a real error.
Failure classifySqlState(const std::string &sqlState, bool connectionLost);

// The bytes of a bytea column in text form ("\x4142" or the old escape form).
std::string decodeBytea(const std::string &text);

}  // namespace cw::service::pg

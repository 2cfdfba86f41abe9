#include "PgStatement.h"

#include <libpq-fe.h>

#include <cstdlib>

namespace cw::service::pg {

Params &Params::add(int64_t value)
{
    values_.push_back(std::to_string(value));
    lengths_.push_back(0);
    formats_.push_back(0);
    return *this;
}

Params &Params::add(const std::string &text)
{
    values_.push_back(text);
    lengths_.push_back(0);
    formats_.push_back(0);
    return *this;
}

Params &Params::bytes(const std::string &raw)
{
    values_.push_back(raw);
    lengths_.push_back(int(raw.size()));
    formats_.push_back(1);
    return *this;
}

const char *const *Params::values() const
{
    pointers_.clear();
    for (const std::string &value : values_)
        pointers_.push_back(value.data());
    return pointers_.data();
}

Result::Result(pg_result *result) : result_(result, PQclear)
{
    const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    ok_ = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

int Result::rows() const { return result_ ? PQntuples(result_.get()) : 0; }

int64_t Result::affected() const { return result_ ? std::strtoll(PQcmdTuples(result_.get()), nullptr, 10) : 0; }

std::string Result::sqlState() const
{
    const char *state = result_ ? PQresultErrorField(result_.get(), PG_DIAG_SQLSTATE) : nullptr;
    return state ? state : "";
}

std::string Result::message() const
{
    std::string text = result_ ? PQresultErrorMessage(result_.get()) : "no result";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

bool Result::isNull(int row, int column) const { return PQgetisnull(result_.get(), row, column) != 0; }

std::string Result::text(int row, int column) const
{
    return std::string(PQgetvalue(result_.get(), row, column), size_t(PQgetlength(result_.get(), row, column)));
}

int64_t Result::integer(int row, int column) const
{
    return std::strtoll(PQgetvalue(result_.get(), row, column), nullptr, 10);
}

std::string Result::bytes(int row, int column) const { return decodeBytea(text(row, column)); }

Failure classifySqlState(const std::string &sqlState, bool connectionLost)
{
    // No state at all: the server's answer never arrived.
    if (connectionLost || sqlState.empty() || sqlState.rfind("08", 0) == 0)
        return Failure::Retry;
    if (sqlState == "40001" || sqlState == "40P01" || sqlState == "57P01" || sqlState == "57P02"
        || sqlState == "57P03")
        return Failure::Retry;
    return Failure::Fatal;
}

std::string decodeBytea(const std::string &text)
{
    size_t length = 0;
    unsigned char *raw = PQunescapeBytea(reinterpret_cast<const unsigned char *>(text.c_str()), &length);
    if (!raw)
        return {};
    std::string out(reinterpret_cast<const char *>(raw), length);
    PQfreemem(raw);
    return out;
}

}  // namespace cw::service::pg

#pragma once

#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>
#include <variant>

namespace Holmgrave {
namespace Core {

// What went wrong: an error number in a category, with a text that may be empty.
struct Error
{
    int code = 0;
    const std::error_category* category = &std::system_category();
    std::string message;

    std::error_code errorCode() const { return std::error_code(code, *category); }

    // The library's own failures: code 1 in the generic category with a fixed text.
    static Error library(std::string text) { return Error{1, &std::generic_category(), std::move(text)}; }
    // A C library call that set errno: the number, system category, no text.
    static Error fromErrno(int number) { return Error{number, &std::system_category(), std::string()}; }
    // An operation this file system does not provide.
    static Error notSupported()
    {
        return Error{static_cast<int>(std::errc::operation_not_supported), &std::generic_category(),
                     "operation not supported by this file system"};
    }
};

// Either an operation's value or the Error that stopped it. File-system
// failures travel as these, never as exceptions; callers test hasValue() first.
// Reading the wrong member throws std::logic_error.
template<typename T>
class Result
{
public:
    Result(const T& value) : m_storage(std::in_place_index<0>, value) {}
    Result(T&& value) : m_storage(std::in_place_index<0>, std::move(value)) {}
    Result(const Error& error) : m_storage(std::in_place_index<1>, error) {}
    Result(Error&& error) : m_storage(std::in_place_index<1>, std::move(error)) {}

    static Result success(T value) { return Result(std::move(value)); }
    static Result failure(Error error) { return Result(std::move(error)); }

    // Hands a failure of another result type on into this one.
    template<typename U>
    static Result failureFrom(const Result<U>& other)
    {
        return Result(other.error());
    }

    bool hasValue() const { return m_storage.index() == 0; }
    explicit operator bool() const { return hasValue(); }

    T& value() &
    {
        check(true);
        return std::get<0>(m_storage);
    }
    const T& value() const&
    {
        check(true);
        return std::get<0>(m_storage);
    }
    T&& value() &&
    {
        check(true);
        return std::get<0>(std::move(m_storage));
    }
    const Error& error() const
    {
        check(false);
        return std::get<1>(m_storage);
    }

private:
    void check(bool wantValue) const
    {
        if (hasValue() != wantValue)
            throw std::logic_error(wantValue ? "Result: no value (holds an error)" : "Result: no error (holds a value)");
    }

    std::variant<T, Error> m_storage;
};

// The result of an operation without a value: always carries an Error, which
// is {0, system category, ""} on success.
template<>
class Result<void>
{
public:
    Result() = default;
    Result(const Error& error) : m_error(error), m_hasValue(false) {}
    Result(Error&& error) : m_error(std::move(error)), m_hasValue(false) {}

    static Result success() { return Result(); }
    static Result failure(Error error) { return Result(std::move(error)); }
    template<typename U>
    static Result failureFrom(const Result<U>& other)
    {
        return Result(other.error());
    }

    bool hasValue() const { return m_hasValue; }
    explicit operator bool() const { return m_hasValue; }
    const Error& error() const { return m_error; }

private:
    Error m_error;
    bool m_hasValue = true;
};

using VoidResult = Result<void>;

} // namespace Core
} // namespace Holmgrave

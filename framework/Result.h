// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <utility>
#include <variant>

// Why an operation gave no result: the text for the person, or nothing when the operation
// was abandoned and its reason has already been dealt with (a cancel).
struct Failure
{
    // Refused: the input or the request cannot be done. File: the file system failed.
    // Callers that show the two differently (the AGI commands) tell them apart by this.
    enum class Cause
    {
        Refused,
        File,
    };
    std::string message;
    Cause cause = Cause::Refused;
    bool Silent() const { return message.empty(); }
    static Failure FromFile(std::string text) { return {std::move(text), Cause::File}; }
};

// A value, or the failure that took its place. The core returns these instead of talking
// to the person; the caller decides whether and how to show the message.
template <typename T> class Result
{
public:
    Result(T value) : m_state(std::move(value)) {}
    Result(Failure failure) : m_state(std::move(failure)) {}

    bool Ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return Ok(); }
    const T& Value() const& { return std::get<0>(m_state); }
    T& Value() & { return std::get<0>(m_state); }
    T&& Value() && { return std::get<0>(std::move(m_state)); }
    // Empty for a success or a silent failure.
    const std::string& Error() const
    {
        static const std::string kNone;
        return Ok() ? kNone : std::get<1>(m_state).message;
    }
    const Failure& GetFailure() const { return std::get<1>(m_state); }

private:
    std::variant<T, Failure> m_state;
};

// An operation with nothing to return but success.
struct Done
{
};
using Status = Result<Done>;

inline Status Success()
{
    return Done{};
}

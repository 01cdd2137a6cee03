// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SequenceNotation.h"

#include <charconv>

namespace
{
bool IsSpace(char c)
{
    return c == ' ' || c == '\t';
}

bool IsMark(char c)
{
    return c == '|' || c == '/';
}

Failure Refuse(std::string text)
{
    return Failure{std::move(text)};
}

// The next word: a mark alone, or the characters up to a blank or a mark.
std::string_view NextWord(std::string_view text, std::size_t& pos)
{
    while (pos < text.size() && IsSpace(text[pos]))
        ++pos;
    const std::size_t start = pos;
    if (pos < text.size() && IsMark(text[pos]))
        return text.substr(pos++, 1);
    while (pos < text.size() && !IsSpace(text[pos]) && !IsMark(text[pos]))
        ++pos;
    return text.substr(start, pos - start);
}

Failure MarkTwice(char mark)
{
    return Refuse(mark == '|' ? "only one \"|\" (loop) may be given"
                              : "only one \"/\" (release) may be given");
}
} // namespace

std::string FormatSequence(const InstrumentSequence& sequence)
{
    std::string text;
    const auto put = [&text](const std::string& word)
    {
        if (!text.empty())
            text += ' ';
        text += word;
    };
    for (int i = 0; i < sequence.Length(); ++i)
    {
        if (i == sequence.loop)
            put("|");
        if (i == sequence.release)
            put("/");
        put(std::to_string(sequence.values[static_cast<std::size_t>(i)]));
    }
    return text;
}

Result<InstrumentSequence> ParseSequence(SequenceKind kind, std::string_view text)
{
    InstrumentSequence sequence;
    const SequenceRange range = RangeOf(kind);
    std::size_t pos = 0;
    for (std::string_view word = NextWord(text, pos); !word.empty(); word = NextWord(text, pos))
    {
        int& index = word == "|" ? sequence.loop : sequence.release;
        if (IsMark(word.front()))
        {
            if (index != kNoIndex)
                return MarkTwice(word.front());
            index = sequence.Length();
            continue;
        }
        int value = 0;
        const auto [end, error] = std::from_chars(word.data() + (word.front() == '+'),
                                                  word.data() + word.size(), value);
        if (error != std::errc{} || end != word.data() + word.size())
            return Refuse("\"" + std::string(word) + "\" is not a number");
        if (value < range.low || value > range.high)
            return Refuse(std::string(SequenceName(kind)) + " values lie in " +
                          std::to_string(range.low) + " to " + std::to_string(range.high) +
                          ", not " + std::string(word));
        if (sequence.Length() == kMaxSequenceLength)
            return Refuse("at most " + std::to_string(kMaxSequenceLength) + " values");
        sequence.values.push_back(value);
    }
    if ((sequence.HasLoop() && sequence.loop >= sequence.Length()) ||
        (sequence.HasRelease() && sequence.release >= sequence.Length()))
        return Refuse("a value must follow \"|\" and \"/\"");
    if (sequence.HasLoop() && sequence.HasRelease() && sequence.loop >= sequence.release)
        return Refuse("the loop \"|\" must come before the release \"/\"");
    return sequence;
}

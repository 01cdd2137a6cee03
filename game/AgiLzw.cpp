// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/AgiLzw.h"

#include <array>
#include <memory>
#include <unordered_map>

namespace
{
constexpr unsigned kTableSize = 1u << kLzwMaxWidth;
// A reader that widens after assigning code 2047 would ask for 12 bits, so the writer resets
// while that last code is still free.
constexpr unsigned kWriterLastFree = kTableSize - 1;

class CBitReader
{
public:
    explicit CBitReader(std::span<const std::uint8_t> data) : m_data(data) {}
    bool Read(int width, unsigned& code)
    {
        while (m_nBits < width)
        {
            if (m_pos >= m_data.size())
                return false;
            m_buffer |= static_cast<std::uint32_t>(m_data[m_pos++]) << m_nBits;
            m_nBits += 8;
        }
        code = m_buffer & ((1u << width) - 1);
        m_buffer >>= width;
        m_nBits -= width;
        return true;
    }

private:
    std::span<const std::uint8_t> m_data;
    std::size_t m_pos = 0;
    std::uint32_t m_buffer = 0;
    int m_nBits = 0;
};

class CBitWriter
{
public:
    void Put(unsigned code, int width)
    {
        m_buffer |= static_cast<std::uint32_t>(code) << m_nBits;
        m_nBits += width;
        for (; m_nBits >= 8; m_nBits -= 8, m_buffer >>= 8)
            m_bytes.push_back(static_cast<std::uint8_t>(m_buffer & 0xFF));
    }
    std::vector<std::uint8_t> Finish()
    {
        if (m_nBits > 0)
            m_bytes.push_back(static_cast<std::uint8_t>(m_buffer & 0xFF));
        return std::move(m_bytes);
    }

private:
    std::vector<std::uint8_t> m_bytes;
    std::uint32_t m_buffer = 0;
    int m_nBits = 0;
};

// Each code's string as its prefix code and last byte, with its first byte and length so
// that a string is written back to front in one pass.
struct LzwTable
{
    std::array<std::uint16_t, kTableSize> prefix{};
    std::array<std::uint16_t, kTableSize> length{};
    std::array<std::uint8_t, kTableSize> first{};
    std::array<std::uint8_t, kTableSize> last{};
    unsigned nextFree = kLzwFirstFree;

    LzwTable()
    {
        for (unsigned c = 0; c < 256; ++c)
        {
            length[c] = 1;
            first[c] = last[c] = static_cast<std::uint8_t>(c);
        }
    }
    void Add(unsigned prev, std::uint8_t byte)
    {
        prefix[nextFree] = static_cast<std::uint16_t>(prev);
        length[nextFree] = static_cast<std::uint16_t>(length[prev] + 1);
        first[nextFree] = first[prev];
        last[nextFree] = byte;
        ++nextFree;
    }
    void Append(unsigned code, std::vector<std::uint8_t>& out) const
    {
        out.resize(out.size() + length[code]);
        auto it = out.end();
        for (unsigned c = code; c >= 256; c = prefix[c])
            *--it = last[c];
        *--it = static_cast<std::uint8_t>(code < 256 ? code : first[code]);
    }
};

std::string PastTheTable(unsigned code, unsigned nextFree)
{
    return "its compressed data holds code " + std::to_string(code) +
           ", past the table (next free code " + std::to_string(nextFree) + ")";
}
} // namespace

int LzwWidthFor(unsigned nextFree)
{
    if (nextFree < 512)
        return 9;
    return nextFree < 1024 ? 10 : kLzwMaxWidth;
}

std::string DecodeAgiLzw(std::span<const std::uint8_t> packed, std::size_t unpackedSize,
                         std::vector<std::uint8_t>& out)
{
    out.clear();
    out.reserve(unpackedSize);
    // Large enough to keep off the stack.
    const auto table = std::make_unique<LzwTable>();
    CBitReader reader(packed);
    int width = kLzwMinWidth;
    bool bAfterReset = true;
    unsigned prev = 0;
    for (;;)
    {
        unsigned code = 0;
        if (!reader.Read(width, code))
            return "its compressed data ends without an end code";
        if (code == kLzwEnd)
            break;
        if (code == kLzwReset)
        {
            table->nextFree = kLzwFirstFree;
            width = kLzwMinWidth;
            bAfterReset = true;
            continue;
        }
        if (code > table->nextFree || (bAfterReset && code >= 256))
            return PastTheTable(code, table->nextFree);
        if (out.size() +
                (code == table->nextFree ? table->length[prev] + 1u : table->length[code]) >
            unpackedSize)
            return "its compressed data decodes to more than the " + std::to_string(unpackedSize) +
                   " bytes its header says";
        // A full table (only a damaged stream gets there) is used as it stands.
        if (!bAfterReset && table->nextFree < kTableSize)
            table->Add(prev, code == table->nextFree ? table->first[prev] : table->first[code]);
        table->Append(code, out);
        width = LzwWidthFor(table->nextFree);
        prev = code;
        bAfterReset = false;
    }
    if (out.size() != unpackedSize)
        return "its compressed data decodes to " + std::to_string(out.size()) + " bytes, not the " +
               std::to_string(unpackedSize) + " its header says";
    return {};
}

std::vector<std::uint8_t> EncodeAgiLzw(std::span<const std::uint8_t> data)
{
    CBitWriter writer;
    // The reader's state, which decides every code's width.
    unsigned readerNextFree = kLzwFirstFree;
    bool bReaderAfterReset = true;
    auto emit = [&](unsigned code)
    {
        writer.Put(code, LzwWidthFor(readerNextFree));
        if (!bReaderAfterReset)
            ++readerNextFree;
        bReaderAfterReset = false;
    };
    std::unordered_map<std::uint32_t, std::uint16_t> strings;
    auto reset = [&]
    {
        writer.Put(kLzwReset, LzwWidthFor(readerNextFree));
        readerNextFree = kLzwFirstFree;
        bReaderAfterReset = true;
        strings.clear();
    };
    reset();
    if (!data.empty())
    {
        unsigned current = data[0];
        for (std::size_t i = 1; i < data.size(); ++i)
        {
            const std::uint32_t key = current << 8 | data[i];
            if (const auto it = strings.find(key); it != strings.end())
            {
                current = it->second;
                continue;
            }
            emit(current);
            // The reader assigns readerNextFree on its next code: the string just ended
            // plus this byte.
            if (readerNextFree >= kWriterLastFree)
                reset();
            else
                strings.emplace(key, static_cast<std::uint16_t>(readerNextFree));
            current = data[i];
        }
        emit(current);
    }
    writer.Put(kLzwEnd, LzwWidthFor(readerNextFree));
    return writer.Finish();
}

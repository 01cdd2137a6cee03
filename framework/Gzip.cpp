// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/Gzip.h"

#include <new>
#include <zlib.h>

std::vector<std::uint8_t> GzipBytes(const std::vector<std::uint8_t>& bytes)
{
    z_stream stream{};
    // 16 over the largest window asks for the gzip wrapper rather than zlib's own.
    constexpr int kGzipWindowBits = 15 + 16;
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, kGzipWindowBits, 8,
                     Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::bad_alloc();
    std::vector<std::uint8_t> out(deflateBound(&stream, static_cast<uLong>(bytes.size())));
    stream.next_in = const_cast<Bytef*>(bytes.data());
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&stream, Z_FINISH);
    deflateEnd(&stream);
    if (result != Z_STREAM_END)
        throw std::bad_alloc();
    out.resize(stream.total_out);
    return out;
}

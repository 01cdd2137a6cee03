// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ConvertFormats.h"

#include "framework/AtomicFile.h"
#include "framework/File.h"
#include "playback/WavWriter.h"
#include "sound/AgiResource.h"

#include <string>

namespace
{
// A measuring failure is the render's own; a long render is refused before gigabytes are
// written, unless asked for.
Status CheckLength(const Result<WavLength>& length, bool bLong)
{
    if (!length.Ok())
        return length.GetFailure();
    if (length.Value().IsLong() && !bLong)
        return Failure{"the render would last " + DescribeWavLength(length.Value()) +
                       "; add --long to write it anyway"};
    return Success();
}
} // namespace

Status WriteWavOutput(const CSoundDoc& doc, const PlayRange& range, const WavRequest& request,
                      const std::string& path)
{
    if (Status checked = CheckLength(MeasureWavFile(doc, range, request.kind), request.bLong);
        !checked.Ok())
        return checked;
    const WavOptions options{request.kind, {}, request.fade, request.muteMask};
    return WriteAtomically(path, [&](CFile& out) { return ExportWav(doc, range, options, out); });
}

Status WriteAgiWavOutput(const std::vector<std::uint8_t>& resource, const WavRequest& request,
                         const std::string& path)
{
    if (Status checked = CheckLength(
            MeasureAgiWavFile(resource.data(), resource.size(), request.kind), request.bLong);
        !checked.Ok())
        return checked;
    const WavOptions options{request.kind, {}, request.fade, request.muteMask};
    return WriteAtomically(path, [&](CFile& out) { return ExportAgiWav(resource, options, out); });
}

Status WriteAgiFileWavOutput(const std::string& input, const WavRequest& request,
                             const std::string& path)
{
    const Result<std::string> bytes = ReadWholeFile(input, kMaxAgiFileBytes);
    if (!bytes.Ok())
        return bytes.GetFailure();
    return WriteAgiWavOutput({bytes.Value().begin(), bytes.Value().end()}, request, path);
}

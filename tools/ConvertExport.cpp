// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ConvertExport.h"

#include "playback/FileFormats.h"
#include "playback/WavWriter.h"
#include "tools/StandardOutput.h"

#include <filesystem>

namespace
{
ExportRequest RequestOf(const Options& options, const PlayRange& range)
{
    ExportRequest request;
    request.range = range;
    request.programs = options.programs;
    request.chip = options.chip.value_or(SynthKind::Sine);
    request.fade = options.fade.value_or(FadeKind::None);
    request.muteMask = options.muteMask.value_or(0);
    request.bLoop = options.bLoop;
    if (options.game)
    {
        request.game = GameOfFolder(*options.game);
        // As the editor names a game's sound.
        request.title = request.game + " sound " + std::to_string(*options.sound);
    }
    else if (!options.bNew)
        request.title = TitleOfFile(options.input);
    return request;
}

// A few hundred bytes of AGI resource can last ten hours: a render past an hour is refused
// before gigabytes are written, unless asked for. A measuring failure is the render's own.
Status CheckLength(const Options& options, const Result<WavLength>& length)
{
    if (!length.Ok())
        return length.GetFailure();
    if (length.Value().IsLong() && !options.bLong)
        return Failure{"the render would last " + DescribeWavLength(length.Value()) +
                       "; add --long to write it anyway"};
    return Success();
}
} // namespace

Status WriteDocumentOutput(const CSoundDoc& doc, const Options& options)
{
    const FileFormat& to = OutputFormat(options);
    const ExportRequest request =
        RequestOf(options, options.bWhole ? doc.GetWholeSong() : doc.GetPlayRange());
    if (to.Has(FileFormat::Long))
        if (Status checked = CheckLength(options, MeasureWavFile(doc, request.range, request.chip));
            !checked.Ok())
            return checked;
    if (options.output == kStandardOutputName)
        return WriteOutput(options.output,
                           [&](CFile& out) { return to.exportDocument(doc, request, out); });
    return ExportFile(to, doc, request, options.output);
}

Status WriteRecordsOutput(const std::vector<std::uint8_t>& resource, const Options& options)
{
    const FileFormat& to = OutputFormat(options);
    const ExportRequest request = RequestOf(options, {});
    if (to.Has(FileFormat::Long))
        if (Status checked = CheckLength(
                options, MeasureAgiWavFile(resource.data(), resource.size(), request.chip));
            !checked.Ok())
            return checked;
    if (options.output == kStandardOutputName)
        return WriteOutput(options.output,
                           [&](CFile& out) { return to.exportResource(resource, request, out); });
    return ExportResourceFile(to, resource, request, options.output);
}

std::string TitleOfFile(const std::string& path)
{
    return std::filesystem::path(path).stem().string();
}

std::string GameOfFolder(const std::string& dir)
{
    // "games/quest/" names the folder "quest", as "games/quest" does.
    std::filesystem::path folder = std::filesystem::path(dir).lexically_normal();
    if (folder.filename().empty())
        folder = folder.parent_path();
    return folder.filename().string();
}

// SPDX-License-Identifier: GPL-3.0-or-later
// .wav files: what the chosen synthesizer plays, written, never read.
#include "playback/FileFormats.h"

#include "playback/WavWriter.h"

namespace
{
WavOptions WavOptionsOf(const ExportRequest& request)
{
    return {request.chip, request.progress, request.fade, request.muteMask};
}

Status ExportWavRange(const CSoundDoc& doc, const ExportRequest& request, CFile& out)
{
    return ExportWav(doc, request.range, WavOptionsOf(request), out);
}

Status ExportWavRecords(const std::vector<std::uint8_t>& resource, const ExportRequest& request,
                        CFile& out)
{
    return ExportAgiWav(resource, WavOptionsOf(request), out);
}
} // namespace

const FileFormat& WavFileFormat()
{
    static const FileFormat format{
        .key = "wav",
        .name = "WAV Files",
        .openExtensions = {},
        .saveExtensions = {".wav"},
        .saveFilter = "WAV Files (*.wav)|*.wav|All Files (*.*)|*.*||",
        .compressedExtension = "",
        .mimeType = "audio/x-wav",
        .options = FileFormat::Range | FileFormat::Chip | FileFormat::Fade | FileFormat::Voices |
                   FileFormat::Long,
        .recognition = FileFormat::Recognition::ByExtension,
        .looksLike = nullptr,
        .import = nullptr,
        .exportDocument = ExportWavRange,
        .exportResource = ExportWavRecords,
    };
    return format;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/GameExportFormats.h"

#include "framework/AtomicFile.h"
#include "framework/File.h"
#include "playback/WavWriter.h"
#include "sound/AgiFile.h"
#include "sound/MidiExport.h"
#include "sound/SoundDoc.h"
#include "sound/VgmWriter.h"

namespace
{
// The document the editor would open for the resource.
Status WithDocument(const GameBytes& resource, const std::function<Status(CSoundDoc&)>& write)
{
    CSoundDoc doc;
    if (!doc.OnNewDocument())
        return Failure{"The sound cannot be made into a document"};
    if (Status imported = ImportAgi(doc, resource); !imported.Ok())
        return imported;
    return write(doc);
}

std::string ErrorOf(const Status& status)
{
    return status.Ok() ? std::string() : status.Error().empty() ? "cancelled" : status.Error();
}
} // namespace

std::vector<GameExportFormat> MakeGameExportFormats(SynthKind kind, FadeKind fade)
{
    const auto agi = [](int, const GameBytes& resource, const std::string& path)
    {
        return ErrorOf(WriteAtomically(path,
                                       [&](CFile& out)
                                       {
                                           out.Write(resource.data(), resource.size());
                                           return Success();
                                       }));
    };
    const auto wav = [kind, fade](int, const GameBytes& resource, const std::string& path)
    {
        const WavOptions options{kind, {}, fade};
        return ErrorOf(WriteAtomically(path, [&](CFile& out)
                                       { return ExportAgiWav(resource, options, out); }));
    };
    const auto mid = [](int, const GameBytes& resource, const std::string& path)
    {
        return ErrorOf(WithDocument(
            resource,
            [&](CSoundDoc& doc) {
                return WriteAtomically(path, [&](CFile& out)
                                       { return ExportMidi(doc, doc.GetPlayRange(), {}, out); });
            }));
    };
    const auto tks = [](int, const GameBytes& resource, const std::string& path)
    {
        return ErrorOf(
            WithDocument(resource, [&](CSoundDoc& doc) { return doc.OnSaveDocument(path); }));
    };
    const auto vgm = [kind, fade](int, const GameBytes& resource, const std::string& path)
    {
        VgmOptions options;
        options.chip = kind;
        options.fade = fade;
        const auto bytes = BuildVgm(resource.data(), resource.size(), options);
        if (!bytes.Ok())
            return bytes.Error();
        return ErrorOf(WriteAtomically(path,
                                       [&](CFile& out)
                                       {
                                           out.Write(bytes.Value().data(), bytes.Value().size());
                                           return Success();
                                       }));
    };
    return {{QStringLiteral("WAV files (.wav)"), "wav", wav},
            {QStringLiteral("VGM files (.vgm)"), "vgm", vgm},
            {QStringLiteral("MIDI files (.mid)"), "mid", mid},
            {QStringLiteral("AGI sound resources (.agi)"), "agi", agi},
            {QStringLiteral("Tarvok documents (.tks)"), "tks", tks}};
}

// SPDX-License-Identifier: GPL-3.0-or-later
// tarvok-convert: converts between sound documents, AGI sound resources, MIDI and WAV files
// without the editor. Failures print the editor's own message on stderr, after the file they
// concern, and exit with 1; a bad command line says what is wrong and exits with 2.
#include "framework/AtomicFile.h"
#include "sound/AgiFile.h"
#include "sound/AgiResource.h"
#include "sound/SongFiles.h"
#include "sound/SoundDoc.h"
#include "tools/ConvertAll.h"
#include "tools/ConvertFormats.h"
#include "tools/ConvertGame.h"
#include "tools/ConvertImport.h"
#include "tools/ConvertMessages.h"
#include "tools/ConvertOptions.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace
{
VgmOptions VgmOptionsOf(const Options& options)
{
    VgmOptions vgm;
    vgm.chip = options.chip.value_or(SynthKind::PCjr);
    vgm.fade = options.fade.value_or(FadeKind::None);
    vgm.bLoop = options.bLoop;
    vgm.muteMask = options.muteMask.value_or(0);
    if (options.game)
    {
        vgm.game = VgmGameOfFolder(*options.game);
        // As the editor names a game's sound.
        vgm.title = vgm.game + " sound " + std::to_string(*options.sound);
    }
    else if (!options.bNew)
        vgm.title = VgmTitleOfFile(options.input);
    vgm.bGzip = CompressesOutput(options);
    return vgm;
}

WavRequest WavRequestOf(const Options& options, SynthKind fallback)
{
    return {options.chip.value_or(fallback), options.fade.value_or(FadeKind::None), options.bLong,
            options.muteMask.value_or(0)};
}

// What the messages about a conversion name: its input, else the file it makes.
std::string SubjectOf(const Options& options)
{
    return options.bNew ? options.output : options.input;
}

std::string GameSoundSubject(const std::string& dir, int n)
{
    return dir + " sound " + std::to_string(n);
}

// A raw resource written as the chip plays it.
Status WriteRecordsOutput(const std::vector<std::uint8_t>& resource, const Options& options)
{
    if (OutputFormat(options) == Format::vgm)
        return WriteAgiVgmOutput(resource, VgmOptionsOf(options), options.output);
    return WriteAgiWavOutput(resource, WavRequestOf(options, SynthKind::Sine), options.output);
}

Status ReadInput(CSoundDoc& doc, const Options& options)
{
    if (options.bNew)
        return doc.OnNewDocument() ? Success() : Failure{};
    if (InputFormat(options) == Format::tks)
        return doc.OnOpenDocument(options.input);
    // An import fills a document that File New made, as the editor's Import does.
    if (!doc.OnNewDocument())
        return Failure{};
    if (InputFormat(options) == Format::mid)
        return ImportMidiInput(doc, options.input,
                               MidiOptionsFor(options.midiMap, options.drumChannel));
    if (InputFormat(options) == Format::vgm)
        return ImportVgmInput(doc, options.input);
    return ImportAgiInput(doc, options.input);
}

Status WriteOutput(CSoundDoc& doc, const Options& options)
{
    const PlayRange range = options.bWhole ? doc.GetWholeSong() : doc.GetPlayRange();
    switch (OutputFormat(options))
    {
    case Format::tks:
        return doc.OnSaveDocument(options.output);
    case Format::agi:
        return WriteAgiOutput(doc, range, options.output);
    case Format::mid:
        return WriteMidiOutput(doc, range, options.programs, options.output);
    case Format::wav:
        return WriteWavOutput(doc, range, WavRequestOf(options, SynthKind::Sine), options.output);
    case Format::vgm:
        return WriteVgmOutput(doc, range, VgmOptionsOf(options), options.output);
    }
    return Failure{};
}

Status ConvertDocument(const Options& options)
{
    CSoundDoc doc;
    if (Status read = ReadInput(doc, options); !read.Ok())
        return read;
    return WriteOutput(doc, options);
}

// A game's sound as it was read; fade is its interpreter's, which a chip plays.
Status ConvertGameResource(std::vector<std::uint8_t> resource, FadeKind fade, Options options)
{
    if (!options.fade)
        options.fade = fade;
    if (OutputFormat(options) == Format::agi)
    {
        return WriteFileAtomically(options.output, resource.data(), resource.size());
    }
    if (PlaysRecords(options))
        return WriteRecordsOutput(resource, options);
    CSoundDoc doc;
    if (!doc.OnNewDocument())
        return Failure{};
    if (Status imported = ImportAgi(doc, resource); !imported.Ok())
        return imported;
    return WriteOutput(doc, options);
}

bool ConvertGameSound(const Options& options)
{
    std::vector<std::uint8_t> resource;
    FadeKind fade = FadeKind::None;
    if (!ReadGameSound(*options.game, *options.sound, resource, &fade))
        return false;
    return Report(GameSoundSubject(*options.game, *options.sound),
                  Guarded([&] { return ConvertGameResource(std::move(resource), fade, options); }));
}

// Every format names its files by its own name.
const char* FormatExtension(Format format)
{
    switch (format)
    {
    case Format::tks:
        return "tks";
    case Format::agi:
        return "agi";
    case Format::mid:
        return "mid";
    case Format::wav:
        return "wav";
    case Format::vgm:
        return "vgm";
    }
    return "";
}

bool ConvertAllSounds(const Options& options)
{
    const auto convert = [&options](int n, const std::vector<std::uint8_t>& resource, FadeKind fade,
                                    const std::string& path)
    {
        Options one = options;
        one.output = path;
        // On a worker thread: what main would catch for one sound is caught here.
        return Report(GameSoundSubject(*options.game, n),
                      Guarded([&] { return ConvertGameResource(resource, fade, one); }));
    };
    return ConvertAllGameSounds(*options.game, options.output,
                                FormatExtension(OutputFormat(options)), convert);
}

// A resource goes into the game only as the import would take it.
Status ReadResourceFile(const std::string& path, std::vector<std::uint8_t>& resource)
{
    const Result<std::string> bytes = ReadWholeFile(path, kMaxAgiFileBytes);
    if (!bytes.Ok())
        return bytes.GetFailure();
    resource.assign(bytes.Value().begin(), bytes.Value().end());
    if (const Result<std::int64_t> measured = MeasureAgiResource(resource); !measured.Ok())
        return measured.GetFailure();
    return Success();
}

Status BuildGameResource(const Options& options, std::vector<std::uint8_t>& resource)
{
    if (!options.bNew && InputFormat(options) == Format::agi)
        return ReadResourceFile(options.input, resource);
    CSoundDoc doc;
    if (Status read = ReadInput(doc, options); !read.Ok())
        return read;
    Result<std::vector<std::uint8_t>> built = BuildAgiBytes(doc, doc.GetWholeSong());
    if (!built.Ok())
        return built.GetFailure();
    resource = std::move(built).Value();
    return Success();
}

bool ConvertIntoGame(const Options& options)
{
    std::vector<std::uint8_t> resource;
    if (!Report(SubjectOf(options), Guarded([&] { return BuildGameResource(options, resource); })))
        return false;
    return WriteGameSound(*options.intoGame, *options.sound, resource);
}

Status ConvertFile(const Options& options)
{
    if (!options.bNew && InputFormat(options) == Format::agi && PlaysRecords(options))
        return OutputFormat(options) == Format::vgm
                   ? WriteAgiFileVgmOutput(options.input, VgmOptionsOf(options), options.output)
                   : WriteAgiFileWavOutput(options.input, WavRequestOf(options, SynthKind::Sine),
                                           options.output);
    return ConvertDocument(options);
}

bool Run(const Options& options)
{
    if (options.game && options.bList)
        return ListGameSounds(*options.game);
    if (options.game && options.bAll)
        return ConvertAllSounds(options);
    if (options.game)
        return ConvertGameSound(options);
    if (options.intoGame)
        return ConvertIntoGame(options);
    return Report(SubjectOf(options), Guarded([&] { return ConvertFile(options); }));
}
} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (std::any_of(args.begin(), args.end(),
                    [](const std::string& a) { return a == "--help" || a == "-h"; }))
    {
        std::fputs(kUsage, stdout);
        return 0;
    }
    Options options;
    try
    {
        options = ParseArguments(args);
        CheckChip(options);
        CheckMidiOptions(options);
    }
    catch (const UsageError& e)
    {
        PrintUsageError(e.message);
        return 2;
    }
    try
    {
        return Run(options) ? 0 : 1;
    }
    catch (const std::exception& e) // no memory left
    {
        PrintNote({}, e.what());
        return 1;
    }
}

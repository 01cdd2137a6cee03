// SPDX-License-Identifier: GPL-3.0-or-later
// tarvok-convert: converts between sound documents, AGI sound resources, MIDI and WAV files
// without the editor. Failures print the editor's own message on stderr and exit with 1;
// a bad command line prints the usage and exits with 2.
#include "framework/File.h"
#include "game/WholeSongRange.h"
#include "sound/AgiFile.h"
#include "sound/AgiResource.h"
#include "sound/SongFiles.h"
#include "sound/SoundDoc.h"
#include "tools/ConvertAll.h"
#include "tools/ConvertFormats.h"
#include "tools/ConvertGame.h"
#include "tools/ConvertImport.h"
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

WavOptions WavOptionsOf(const Options& options)
{
    WavOptions wav;
    wav.kind = options.chip.value_or(SynthKind::Sine);
    wav.fade = options.fade.value_or(FadeKind::None);
    wav.muteMask = options.muteMask.value_or(0);
    return wav;
}

// A raw resource written as the chip plays it.
bool WriteRecordsOutput(const std::vector<std::uint8_t>& resource, const Options& options)
{
    if (OutputFormat(options) == Format::vgm)
        return WriteAgiVgmOutput(resource, VgmOptionsOf(options), options.output);
    return WriteAgiWavOutput(resource, WavOptionsOf(options), options.output);
}

bool ReadInput(CSoundDoc& doc, const Options& options)
{
    if (options.bNew)
        return doc.OnNewDocument();
    if (InputFormat(options) == Format::tks)
        return Report(doc.OnOpenDocument(options.input));
    if (InputFormat(options) == Format::mid)
        return doc.OnNewDocument() &&
               ImportMidiInput(doc, options.input,
                               MidiOptionsFor(options.midiMap, options.drumChannel));
    if (InputFormat(options) == Format::vgm)
        return doc.OnNewDocument() && ImportVgmInput(doc, options.input);
    // An import fills a document that File New made, as the editor's Import does.
    return doc.OnNewDocument() && ImportAgiInput(doc, options.input);
}

bool WriteOutput(CSoundDoc& doc, const Options& options)
{
    const Format to = OutputFormat(options);
    // A document keeps its stored range; the exports see the whole song.
    std::optional<CWholeSongRange> whole;
    if (options.bWhole && to != Format::tks)
        whole.emplace(doc);
    switch (to)
    {
    case Format::tks:
        return Report(doc.OnSaveDocument(options.output));
    case Format::agi:
        return WriteAgiOutput(doc, options.output);
    case Format::mid:
        return WriteMidiOutput(doc, options.programs, options.output);
    case Format::wav:
        return WriteWavOutput(doc, WavOptionsOf(options), options.output);
    case Format::vgm:
        return WriteVgmOutput(doc, VgmOptionsOf(options), options.output);
    }
    return false;
}

// A game's sound as it was read; fade is its interpreter's, which a chip plays.
bool ConvertGameResource(std::vector<std::uint8_t> resource, FadeKind fade, Options options)
{
    if (!options.fade)
        options.fade = fade;
    if (OutputFormat(options) == Format::agi)
    {
        WriteFileAtomically(options.output, resource.data(), resource.size());
        return true;
    }
    if (PlaysRecords(options))
        return WriteRecordsOutput(resource, options);
    CSoundDoc doc;
    if (!doc.OnNewDocument())
        return false;
    return Report(ImportAgi(doc, resource)) && WriteOutput(doc, options);
}

bool ConvertGameSound(const Options& options)
{
    std::vector<std::uint8_t> resource;
    FadeKind fade = FadeKind::None;
    return ReadGameSound(*options.game, *options.sound, resource, &fade) &&
           ConvertGameResource(std::move(resource), fade, options);
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
    const auto convert = [&options](const std::vector<std::uint8_t>& resource, FadeKind fade,
                                    const std::string& path)
    {
        Options one = options;
        one.output = path;
        // On a worker thread: what main would catch for one sound is caught here.
        try
        {
            return ConvertGameResource(resource, fade, one);
        }
        catch (const std::exception& e)
        {
            return Report(Failure{e.what()});
        }
    };
    return ConvertAllGameSounds(*options.game, options.output,
                                FormatExtension(OutputFormat(options)), convert);
}

bool ConvertIntoGame(const Options& options)
{
    std::vector<std::uint8_t> resource;
    if (!options.bNew && InputFormat(options) == Format::agi)
    {
        const std::string bytes = ReadWholeFile(options.input, kMaxAgiFileBytes);
        resource.assign(bytes.begin(), bytes.end());
    }
    else
    {
        CSoundDoc doc;
        if (!ReadInput(doc, options))
            return false;
        AgiResourceBuild build = CWholeSongRange::BuildResource(doc);
        if (!build.Ok())
            return Report(Failure{build.error});
        resource = std::move(build.bytes);
    }
    return WriteGameSound(*options.intoGame, *options.sound, resource);
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
    if (!options.bNew && InputFormat(options) == Format::agi && PlaysRecords(options))
        return OutputFormat(options) == Format::vgm
                   ? WriteAgiFileVgmOutput(options.input, VgmOptionsOf(options), options.output)
                   : WriteAgiFileWavOutput(options.input, WavOptionsOf(options), options.output);
    CSoundDoc doc;
    return ReadInput(doc, options) && WriteOutput(doc, options);
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
        std::fprintf(stderr, "tarvok-convert: %s\n\n%s", e.message.c_str(), kUsage);
        return 2;
    }

    try
    {
        if (!Run(options))
            return 1;
    }
    catch (const std::exception& e) // a file that cannot be read, or no memory left
    {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}

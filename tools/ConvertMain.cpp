// SPDX-License-Identifier: GPL-3.0-or-later
// tarvok-convert: converts between sound documents, AGI sound resources, MIDI and WAV files
// without the editor. Failures print the editor's own message on stderr and exit with 1;
// a bad command line prints the usage and exits with 2.
#include "framework/File.h"
#include "game/WholeSongRange.h"
#include "sound/AgiFile.h"
#include "sound/AgiResource.h"
#include "sound/SoundDoc.h"
#include "tools/ConvertFormats.h"
#include "tools/ConvertGame.h"
#include "tools/ConvertOptions.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace
{
bool ReadInput(CSoundDoc& doc, const Options& options)
{
    if (options.bNew)
        return doc.OnNewDocument();
    if (InputFormat(options) == Format::tks)
        return Report(doc.OnOpenDocument(options.input));
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
        return WriteWavOutput(doc, options.chip.value_or(SynthKind::Sine), options.output);
    }
    return false;
}

bool ConvertGameSound(const Options& options)
{
    std::vector<std::uint8_t> resource;
    if (!ReadGameSound(*options.game, *options.sound, resource))
        return false;
    if (OutputFormat(options) == Format::agi)
    {
        WriteFileAtomically(options.output, resource.data(), resource.size());
        return true;
    }
    if (PlaysRecords(options))
        return WriteAgiWavOutput(resource, *options.chip, options.output);
    CSoundDoc doc;
    if (!doc.OnNewDocument())
        return false;
    return Report(ImportAgi(doc, resource)) && WriteOutput(doc, options);
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
    if (options.game)
        return ConvertGameSound(options);
    if (options.intoGame)
        return ConvertIntoGame(options);
    if (!options.bNew && InputFormat(options) == Format::agi && PlaysRecords(options))
        return WriteAgiFileWavOutput(options.input, *options.chip, options.output);
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

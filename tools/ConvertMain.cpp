// SPDX-License-Identifier: GPL-3.0-or-later
// tarvok-convert: converts between sound documents, AGI sound resources, MIDI and WAV files
// without the editor. Failures print the editor's own message on stderr, after the file they
// concern, and exit with 1; a bad command line says what is wrong and exits with 2.
#include "framework/File.h"
#include "playback/FileFormats.h"
#include "sound/AgiFile.h"
#include "sound/AgiResource.h"
#include "sound/SoundDoc.h"
#include "tools/ConvertAll.h"
#include "tools/ConvertExport.h"
#include "tools/ConvertGame.h"
#include "tools/ConvertImport.h"
#include "tools/ConvertInfo.h"
#include "tools/ConvertMessages.h"
#include "tools/ConvertOptions.h"
#include "tools/StandardOutput.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace
{
// What the messages about a conversion name: its input, else the file it makes.
std::string SubjectOf(const Options& options)
{
    return options.bNew ? options.output : options.input;
}

std::string GameSoundSubject(const std::string& dir, int n)
{
    return dir + " sound " + std::to_string(n);
}

// The input's import, as the editor's Import does it, into a document that File New made; what
// the song lost on the way is printed.
Status ReadInput(CSoundDoc& doc, const Options& options)
{
    if (!doc.OnNewDocument())
        return Failure{};
    if (options.bNew)
        return Success();
    const ImportRequest request{MidiOptionsFor(options.midiMap, options.drumChannel)};
    const Result<ImportNotes> notes = InputFormat(options).import(doc, options.input, request);
    if (!notes.Ok())
        return notes.GetFailure();
    for (const std::string& line : notes.Value())
        PrintNote(options.input, line);
    return Success();
}

// The input's AGI export size on stdout.
Status PrintInfo(const Options& options)
{
    CSoundDoc doc;
    if (Status read = ReadInput(doc, options); !read.Ok())
        return read;
    const PlayRange range = options.bWhole ? doc.GetWholeSong() : doc.GetPlayRange();
    std::fputs(ExportSizeText(doc, range).c_str(), stdout);
    return Success();
}

Status ConvertDocument(const Options& options)
{
    CSoundDoc doc;
    if (Status read = ReadInput(doc, options); !read.Ok())
        return read;
    return WriteDocumentOutput(doc, options);
}

// A resource file as the engine's records, or the failure its import would give.
Result<std::vector<std::uint8_t>> ReadResourceFile(const std::string& path)
{
    Result<std::vector<std::uint8_t>> resource = ReadAgiFile(path);
    if (!resource.Ok())
        return resource;
    if (const Result<std::int64_t> measured = MeasureAgiResource(resource.Value()); !measured.Ok())
        return measured.GetFailure();
    return resource;
}

// A game's sound as it was read; fade is its interpreter's, which a chip plays.
Status ConvertGameResource(std::vector<std::uint8_t> resource, FadeKind fade, Options options)
{
    if (!options.fade)
        options.fade = fade;
    // A game's sound goes out as it is stored.
    if (&OutputFormat(options) == &AgiFileFormat())
        return WriteOutput(options.output,
                           [&](CFile& out)
                           {
                               out.Write(resource.data(), resource.size());
                               return Success();
                           });
    if (PlaysRecords(options))
        return WriteRecordsOutput(resource, options);
    CSoundDoc doc;
    if (!doc.OnNewDocument())
        return Failure{};
    if (Status imported = ImportAgi(doc, resource); !imported.Ok())
        return imported;
    return WriteDocumentOutput(doc, options);
}

// A game's sound as a document: the one the game keeps, when it still is that sound.
bool ConvertGameDocument(const Options& options)
{
    CSoundDoc doc;
    if (!ReadGameDocument(*options.game, *options.sound, doc))
        return false;
    return Report(GameSoundSubject(*options.game, *options.sound),
                  Guarded([&] { return doc.OnSaveDocument(options.output); }));
}

bool ConvertGameSound(const Options& options)
{
    if (&OutputFormat(options) == &DocumentFileFormat())
        return ConvertGameDocument(options);
    std::vector<std::uint8_t> resource;
    FadeKind fade = FadeKind::None;
    if (!ReadGameSound(*options.game, *options.sound, resource, &fade))
        return false;
    return Report(GameSoundSubject(*options.game, *options.sound),
                  Guarded([&] { return ConvertGameResource(std::move(resource), fade, options); }));
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
    // Every format names its files by its own name.
    return ConvertAllGameSounds(*options.game, options.output, OutputFormat(options).key, convert);
}

// A resource goes into the game only as the import would take it; a song, as a whole, with the
// document it was made from, which the game keeps beside it.
Result<std::vector<std::uint8_t>> BuildGameResource(const Options& options, std::string& document)
{
    if (!options.bNew && &InputFormat(options) == &AgiFileFormat())
        return ReadResourceFile(options.input);
    CSoundDoc doc;
    if (Status read = ReadInput(doc, options); !read.Ok())
        return read.GetFailure();
    document = doc.SaveToBytes();
    return BuildAgiBytes(doc, doc.GetWholeSong());
}

bool ConvertIntoGame(const Options& options)
{
    std::vector<std::uint8_t> resource;
    std::string document;
    const auto build = [&]() -> Status
    {
        Result<std::vector<std::uint8_t>> built = BuildGameResource(options, document);
        if (!built.Ok())
            return built.GetFailure();
        resource = std::move(built).Value();
        return Success();
    };
    if (!Report(SubjectOf(options), Guarded(build)))
        return false;
    return WriteGameSound(*options.intoGame, *options.sound, resource, document);
}

Status ConvertFile(const Options& options)
{
    if (options.bNew || &InputFormat(options) != &AgiFileFormat() || !PlaysRecords(options))
        return ConvertDocument(options);
    const Result<std::vector<std::uint8_t>> resource = ReadResourceFile(options.input);
    if (!resource.Ok())
        return resource.GetFailure();
    return WriteRecordsOutput(resource.Value(), options);
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
    if (options.bInfo)
        return Report(options.input, Guarded([&] { return PrintInfo(options); }));
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

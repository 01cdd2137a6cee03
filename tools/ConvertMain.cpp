// SPDX-License-Identifier: GPL-3.0-or-later
// tarvok-convert: converts between sound documents, AGI sound resources, MIDI and WAV files
// without the editor. Failures print the editor's own message on stderr and exit with 1;
// a bad command line prints the usage and exits with 2.
#include "framework/File.h"
#include "framework/UserInterface.h"
#include "game/WholeSongRange.h"
#include "sound/AgiResource.h"
#include "sound/SoundDoc.h"
#include "tools/ConvertAll.h"
#include "tools/ConvertFormats.h"
#include "tools/ConvertGame.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace
{
const char kUsage[] =
    "usage: tarvok-convert [--from tks|agi] [--to tks|agi|mid|wav] [--instruments P0,P1,P2] "
    "[--chip sine|pcjr|tandy] [--whole] (INPUT | --new) OUTPUT\n"
    "       tarvok-convert --game DIR --list\n"
    "       tarvok-convert --game DIR --all --to tks|agi|mid|wav [--instruments ...] [--chip ...] "
    "[--whole] OUTDIR\n"
    "       tarvok-convert --game DIR --sound N [--to ...] [--instruments ...] [--chip ...] "
    "[--whole]"
    " OUTPUT\n"
    "       tarvok-convert [--from tks|agi] (INPUT | --new) --into-game DIR --sound N\n"
    "\n"
    "  --from tks|agi         format of INPUT (default: tks for a name ending in .tks, else agi)\n"
    "  --to tks|agi|mid|wav   format of OUTPUT (default: by its extension .tks, .mid or .wav,\n"
    "                         else an AGI sound resource)\n"
    "  --instruments P0,P1,P2 MIDI programs (0-127) of the three tone voices (default 0,0,0)\n"
    "  --chip sine|pcjr|tandy what plays a .wav output: the sine voices (default), or the\n"
    "                         IBM PCjr or Tandy 1000 sound chip as the game plays it\n"
    "  --new                  start from a new document instead of INPUT\n"
    "  --whole                export the whole song, whatever the play range (not for tks)\n"
    "  --game DIR             an AGI game folder (SNDDIR, VOL.0, ...) to read from\n"
    "  --list                 print the game's sounds: number, bytes and ticks\n"
    "  --sound N              the game's sound number N (0-255)\n"
    "  --all                  every sound of the game, as OUTDIR/sound<NNN>.<format>\n"
    "  --into-game DIR        write the whole song into the game folder as sound N\n";

enum class Format
{
    tks,
    agi,
    mid,
    wav,
};

struct Options
{
    std::optional<Format> from;
    std::optional<Format> to;
    std::array<int, 3> programs{0, 0, 0};
    bool bNew = false;
    bool bWhole = false;
    bool bList = false;
    bool bAll = false;
    std::optional<std::string> game;
    std::optional<std::string> intoGame;
    std::optional<int> sound;
    std::optional<SynthKind> chip;
    std::string input;
    std::string output;
};

struct UsageError
{
    std::string message;
};

bool EndsWith(const std::string& text, const std::string& suffix)
{
    if (text.size() < suffix.size())
        return false;
    return std::equal(suffix.rbegin(), suffix.rend(), text.rbegin(),
                      [](char a, char b)
                      { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

Format ParseFormat(const std::string& option, const std::string& value, bool bOutput)
{
    if (value == "tks")
        return Format::tks;
    if (value == "agi")
        return Format::agi;
    if (bOutput && value == "mid")
        return Format::mid;
    if (bOutput && value == "wav")
        return Format::wav;
    throw UsageError{"unknown format for " + option + ": '" + value + "'"};
}

std::array<int, 3> ParsePrograms(const std::string& value)
{
    std::vector<std::string> items(1);
    for (char c : value)
        if (c == ',')
            items.emplace_back();
        else
            items.back() += c;
    auto isProgram = [](const std::string& item)
    {
        return !item.empty() && item.size() <= 3 &&
               std::all_of(item.begin(), item.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
               std::stoi(item) <= 127;
    };
    if (items.size() != 3 || !std::all_of(items.begin(), items.end(), isProgram))
        throw UsageError{"--instruments needs three programs from 0 to 127, as in 0,33,81: '" +
                         value + "'"};
    return {std::stoi(items[0]), std::stoi(items[1]), std::stoi(items[2])};
}

int ParseSoundNumber(const std::string& value)
{
    if (value.empty() || value.size() > 3 ||
        !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
        std::stoi(value) > 255)
        throw UsageError{"--sound needs a number from 0 to 255: '" + value + "'"};
    return std::stoi(value);
}

// The positional arguments each way of calling takes, and the options it refuses.
void CheckCombination(Options& options, const std::vector<std::string>& positional)
{
    if (options.game && options.intoGame)
        throw UsageError{"--game and --into-game do not go together"};
    if (options.game && options.bList)
    {
        if (options.sound || !positional.empty() || options.bNew || options.from || options.to ||
            options.chip)
            throw UsageError{"--game DIR --list takes nothing else"};
        return;
    }
    if (options.bList)
        throw UsageError{"--list needs --game DIR"};
    if (options.bAll)
    {
        if (!options.game || options.sound || positional.size() != 1 || options.bNew ||
            options.from || !options.to)
            throw UsageError{"--all goes as --game DIR --all --to FORMAT OUTDIR"};
        options.output = positional[0];
        return;
    }
    if ((options.game || options.intoGame) != options.sound.has_value())
        throw UsageError{options.sound ? "--sound needs --game or --into-game"
                                       : "give the sound number with --sound N"};
    if (options.game)
    {
        if (positional.size() != 1 || options.bNew || options.from)
            throw UsageError{"with --game DIR --sound N give only the OUTPUT file"};
        options.output = positional[0];
        return;
    }
    if (options.intoGame)
    {
        if (positional.size() != (options.bNew ? 0u : 1u) || options.to)
            throw UsageError{"with --into-game DIR --sound N give only the INPUT file (or --new)"};
        if (options.bNew && options.from)
            throw UsageError{"--from does not go with --new"};
        if (!options.bNew)
            options.input = positional[0];
        return;
    }
    const std::size_t nExpected = options.bNew ? 1 : 2;
    if (positional.size() != nExpected)
        throw UsageError{options.bNew ? "with --new give only the OUTPUT file"
                                      : "give an INPUT and an OUTPUT file (or --new and OUTPUT)"};
    if (options.bNew && options.from)
        throw UsageError{"--from does not go with --new"};
    if (!options.bNew)
        options.input = positional[0];
    options.output = positional.back();
}

Options ParseArguments(const std::vector<std::string>& args)
{
    Options options;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        std::string arg = args[i];
        std::string value;
        bool bHasValue = false;
        if (arg.rfind("--", 0) == 0 && arg.find('=') != std::string::npos)
        {
            value = arg.substr(arg.find('=') + 1);
            arg = arg.substr(0, arg.find('='));
            bHasValue = true;
        }
        auto takeValue = [&]() -> std::string
        {
            if (bHasValue)
                return value;
            if (i + 1 >= args.size())
                throw UsageError{arg + " needs a value"};
            return args[++i];
        };

        if (arg == "--from")
            options.from = ParseFormat(arg, takeValue(), false);
        else if (arg == "--to")
            options.to = ParseFormat(arg, takeValue(), true);
        else if (arg == "--instruments")
            options.programs = ParsePrograms(takeValue());
        else if (arg == "--new" && !bHasValue)
            options.bNew = true;
        else if (arg == "--whole" && !bHasValue)
            options.bWhole = true;
        else if (arg == "--list" && !bHasValue)
            options.bList = true;
        else if (arg == "--all" && !bHasValue)
            options.bAll = true;
        else if (arg == "--chip")
        {
            const std::string name = takeValue();
            options.chip = SynthKindFromName(name);
            if (!options.chip)
                throw UsageError{"unknown sound chip for --chip: '" + name + "'"};
        }
        else if (arg == "--game")
            options.game = takeValue();
        else if (arg == "--into-game")
            options.intoGame = takeValue();
        else if (arg == "--sound")
            options.sound = ParseSoundNumber(takeValue());
        else if (arg == "--")
        {
            // Everything after "--" is a file name, even when it begins with '-'.
            positional.insert(positional.end(), args.begin() + static_cast<long>(i) + 1,
                              args.end());
            break;
        }
        else if (arg.size() > 1 && arg[0] == '-')
            throw UsageError{"unknown option '" + args[i] + "'"};
        else
            positional.push_back(arg);
    }

    CheckCombination(options, positional);
    return options;
}

Format OutputFormat(const Options& options);

void CheckChip(const Options& options)
{
    if (options.chip && (options.intoGame || OutputFormat(options) != Format::wav))
        throw UsageError{"--chip goes only with a .wav output"};
}

Format OutputFormat(const Options& options)
{
    if (options.to)
        return *options.to;
    if (EndsWith(options.output, ".tks"))
        return Format::tks;
    if (EndsWith(options.output, ".mid"))
        return Format::mid;
    if (EndsWith(options.output, ".wav"))
        return Format::wav;
    return Format::agi;
}

Format InputFormat(const Options& options)
{
    if (options.from)
        return *options.from;
    return EndsWith(options.input, ".tks") ? Format::tks : Format::agi;
}

bool ReadInput(CSoundDoc& doc, const Options& options)
{
    if (options.bNew)
        return doc.OnNewDocument();
    if (InputFormat(options) == Format::tks)
        return doc.OnOpenDocument(options.input);
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
        return doc.OnSaveDocument(options.output);
    case Format::agi:
        return WriteAgiOutput(doc, options.output);
    case Format::mid:
        return WriteMidiOutput(doc, options.programs, options.output);
    case Format::wav:
        return WriteWavOutput(doc, options.chip.value_or(SynthKind::Sine), options.output);
    }
    return false;
}

// A chip plays a resource's own records, not the document its import would make.
bool PlaysRecords(const Options& options)
{
    return OutputFormat(options) == Format::wav && options.chip && *options.chip != SynthKind::Sine;
}

// A game's sound as it was read; fade is its interpreter's, which a chip plays.
bool ConvertGameResource(std::vector<std::uint8_t> resource, FadeKind fade, const Options& options)
{
    if (OutputFormat(options) == Format::agi)
    {
        WriteFileAtomically(options.output, resource.data(), resource.size());
        return true;
    }
    if (PlaysRecords(options))
        return WriteAgiWavOutput(resource, *options.chip, options.output, fade);
    CSoundDoc doc;
    if (!doc.OnNewDocument())
        return false;
    doc.m_rawData = std::move(resource);
    return doc.ParseAGIResource() && WriteOutput(doc, options);
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
        return ConvertGameResource(resource, fade, one);
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
        {
            AfxMessageBox(build.error);
            return false;
        }
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
        AfxMessageBox(e.what(), MB_ICONEXCLAMATION);
        return 1;
    }
    return 0;
}

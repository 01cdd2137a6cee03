// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ConvertOptions.h"

#include "playback/FileFormats.h"
#include "tools/ConvertImport.h"
#include "tools/ConvertMute.h"

#include <algorithm>
#include <cctype>
#include <iterator>

extern const char kUsage[];
const char kUsage[] =
    "usage: tarvok-convert [--from tks|agi|mid|vgm] [--to tks|agi|mid|wav|vgm] [--instruments "
    "P0,P1,P2] "
    "[--chip sine|pcjr|tandy|speaker] [--fade none|2.9|3] [--mute LIST] [--loop] [--long] "
    "[--whole] [--map C0,C1,C2] [--drums N|none] (INPUT | --new) OUTPUT\n"
    "       tarvok-convert --game DIR --list\n"
    "       tarvok-convert --game DIR --all --to tks|agi|mid|wav|vgm [--instruments ...] [--chip "
    "...] "
    "[--long] [--whole] OUTDIR\n"
    "       tarvok-convert --game DIR --sound N [--to ...] [--instruments ...] [--chip ...] "
    "[--long] [--whole] OUTPUT\n"
    "       tarvok-convert [--from tks|agi] (INPUT | --new) --into-game DIR --sound N\n"
    "       tarvok-convert [--from tks|agi|mid|vgm] [--whole] --info INPUT\n"
    "\n"
    "  --from tks|agi|mid|vgm format of INPUT (default: by its extension .tks, .mid, .midi,\n"
    "                         .vgm or .vgz, else agi)\n"
    "  --to tks|agi|mid|wav|vgm  format of OUTPUT (default: by its extension .tks, .mid, .wav,\n"
    "                         .vgm or .vgz (compressed VGM), else an AGI sound resource)\n"
    "  --instruments P0,P1,P2 MIDI programs (0-127) of the three tone voices (default 0,0,0)\n"
    "  --chip sine|pcjr|tandy|speaker  what plays a .wav output: the sine voices (default),\n"
    "                         the IBM PCjr or Tandy 1000 sound chip as the game plays it, or\n"
    "                         the PC speaker (voice 0 alone); the chip of a .vgm output\n"
    "                         (PCjr unless tandy)\n"
    "  --fade none|2.9|3      the interpreter's note fade for a .wav or .vgm output (default\n"
    "                         none)\n"
    "  --mute LIST            leave voices out of a .wav or .vgm output, as in 1,2,3 (0-2 the\n"
    "                         tones, 3 the noise); the file keeps the whole sound's length\n"
    "  --loop                 a .vgm output loops the whole sound\n"
    "  --long                 write a .wav output that lasts longer than an hour (refused\n"
    "                         without it)\n"
    "  --new                  start from a new document instead of INPUT\n"
    "  --whole                export the whole song, whatever the play range (not for tks)\n"
    "  --game DIR             an AGI game folder (SNDDIR, VOL.0, ...) to read from\n"
    "  --list                 print the game's sounds: number, bytes and ticks\n"
    "  --sound N              the game's sound number N (0-255)\n"
    "  --all                  every sound of the game, as OUTDIR/sound<NNN>.<format>\n"
    "  --into-game DIR        write the whole song into the game folder as sound N\n"
    "  --info                 print the AGI export's records and bytes per voice and its size\n"
    "  --map C0,C1,C2         MIDI input: channel C0 (1-16, 0 for none) alone on voice 0, C1 on\n"
    "                         voice 1, C2 on voice 2, other tone channels left out (default:\n"
    "                         every channel shared among the three voices)\n"
    "  --drums N|none         MIDI input: the channel played on the noise channel (default 10)\n"
    "\n"
    "An OUTPUT of - is standard output (in the format --to names, else an AGI resource).\n";

namespace
{
// A format that reads (--from) or writes (--to) files.
const FileFormat* ParseFormat(const std::string& option, const std::string& value, bool bOutput)
{
    const FileFormat* pFormat = FindFileFormat(value);
    if (pFormat == nullptr || !(bOutput ? pFormat->Exports() : pFormat->Imports()))
        throw UsageError{"unknown format for " + option + ": '" + value + "'"};
    return pFormat;
}

void ThrowIfBad(const std::string& error)
{
    if (!error.empty())
        throw UsageError{error};
}

std::array<int, 3> ParsePrograms(const std::string& value)
{
    const std::vector<std::string> items = SplitAtCommas(value);
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

SynthKind ParseChip(const std::string& name)
{
    const std::optional<SynthKind> chip = SynthKindFromName(name);
    if (!chip)
        throw UsageError{"unknown sound chip for --chip: '" + name + "'"};
    return *chip;
}

FadeKind ParseFade(const std::string& name)
{
    const std::optional<FadeKind> fade = FadeKindFromName(name);
    if (!fade)
        throw UsageError{"unknown fade for --fade: '" + name + "'"};
    return *fade;
}

unsigned ParseMute(const std::string& list)
{
    const std::optional<unsigned> mask = ParseMuteList(list);
    if (!mask)
        throw UsageError{"--mute needs voices from 0 to 3, as in 1,2,3: '" + list + "'"};
    return *mask;
}

// One line per option: a new one is a line here and a field in Options.
struct OptionRule
{
    const char* name;
    bool bTakesValue;
    void (*apply)(Options& options, const std::string& value);
};

const OptionRule kOptions[] = {
    {"--from", true,
     [](Options& o, const std::string& v) { o.from = ParseFormat("--from", v, false); }},
    {"--to", true, [](Options& o, const std::string& v) { o.to = ParseFormat("--to", v, true); }},
    {"--instruments", true,
     [](Options& o, const std::string& v) { o.programs = ParsePrograms(v); }},
    {"--new", false, [](Options& o, const std::string&) { o.bNew = true; }},
    {"--whole", false, [](Options& o, const std::string&) { o.bWhole = true; }},
    {"--list", false, [](Options& o, const std::string&) { o.bList = true; }},
    {"--chip", true, [](Options& o, const std::string& v) { o.chip = ParseChip(v); }},
    {"--fade", true, [](Options& o, const std::string& v) { o.fade = ParseFade(v); }},
    {"--loop", false, [](Options& o, const std::string&) { o.bLoop = true; }},
    {"--long", false, [](Options& o, const std::string&) { o.bLong = true; }},
    {"--mute", true, [](Options& o, const std::string& v) { o.muteMask = ParseMute(v); }},
    {"--game", true, [](Options& o, const std::string& v) { o.game = v; }},
    {"--into-game", true, [](Options& o, const std::string& v) { o.intoGame = v; }},
    {"--sound", true, [](Options& o, const std::string& v) { o.sound = ParseSoundNumber(v); }},
    {"--map", true,
     [](Options& o, const std::string& v) { ThrowIfBad(ParseMidiMap(v, o.midiMap.emplace())); }},
    {"--drums", true,
     [](Options& o, const std::string& v)
     { ThrowIfBad(ParseDrumChannel(v, o.drumChannel.emplace())); }},
    {"--all", false, [](Options& o, const std::string&) { o.bAll = true; }},
    {"--info", false, [](Options& o, const std::string&) { o.bInfo = true; }},
};

// The positional arguments each way of calling takes, and the options it refuses.
void CheckCombination(Options& options, const std::vector<std::string>& positional)
{
    if (options.game && options.intoGame)
        throw UsageError{"--game and --into-game do not go together"};
    if (options.game && options.bList)
    {
        if (options.sound || !positional.empty() || options.bNew || options.from || options.to ||
            options.chip || options.fade || options.bLoop || options.bLong || options.muteMask)
            throw UsageError{"--game DIR --list takes nothing else"};
        return;
    }
    if (options.bList)
        throw UsageError{"--list needs --game DIR"};
    if (options.bInfo)
    {
        if (positional.size() != 1 || options.game || options.intoGame || options.sound ||
            options.bAll || options.bNew || options.to || options.chip || options.fade ||
            options.bLoop || options.bLong || options.muteMask)
            throw UsageError{"--info goes as --info INPUT (with --from or --whole)"};
        options.input = positional[0];
        return;
    }
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

} // namespace

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

        if (arg == "--")
        {
            // Everything after "--" is a file name, even when it begins with '-'.
            positional.insert(positional.end(), args.begin() + static_cast<long>(i) + 1,
                              args.end());
            break;
        }
        const auto option =
            std::find_if(std::begin(kOptions), std::end(kOptions),
                         [&](const OptionRule& rule)
                         { return arg == rule.name && (rule.bTakesValue || !bHasValue); });
        if (option != std::end(kOptions))
            option->apply(options, option->bTakesValue ? takeValue() : std::string());
        else if (arg.size() > 1 && arg[0] == '-')
            throw UsageError{"unknown option '" + args[i] + "'"};
        else
            positional.push_back(arg);
    }

    CheckCombination(options, positional);
    return options;
}

void CheckChip(const Options& options)
{
    // Into a game goes the AGI resource, which takes none of them.
    const FileFormat& to = options.intoGame ? AgiFileFormat() : OutputFormat(options);
    if ((options.chip && !to.Has(FileFormat::Chip)) || (options.fade && !to.Has(FileFormat::Fade)) ||
        (options.muteMask && !to.Has(FileFormat::Voices)))
        throw UsageError{"--chip, --fade and --mute go only with a .wav or .vgm output"};
    if (options.bLoop && !to.Has(FileFormat::Loop))
        throw UsageError{"--loop goes only with a .vgm output"};
    if (options.bLong && !to.Has(FileFormat::Long))
        throw UsageError{"--long goes only with a .wav output"};
}

const FileFormat& OutputFormat(const Options& options)
{
    if (options.to != nullptr)
        return *options.to;
    const FileFormat* pByName = FormatWritingName(options.output);
    return pByName != nullptr ? *pByName : AgiFileFormat();
}

void CheckMidiOptions(const Options& options)
{
    if (!options.midiMap && !options.drumChannel)
        return;
    if (options.bNew || options.game || !InputFormat(options).Has(FileFormat::Channels))
        throw UsageError{"--map and --drums go only with a MIDI input"};
    if (options.midiMap && options.drumChannel.value_or(0) != 0 &&
        std::find(options.midiMap->begin(), options.midiMap->end(), *options.drumChannel) !=
            options.midiMap->end())
        throw UsageError{"--drums names a channel --map gives to a voice"};
}

const FileFormat& InputFormat(const Options& options)
{
    if (options.from != nullptr)
        return *options.from;
    const FileFormat* pByName = FormatReadingName(options.input);
    return pByName != nullptr ? *pByName : AgiFileFormat();
}

bool PlaysRecords(const Options& options)
{
    const FileFormat& to = OutputFormat(options);
    if (to.exportResource == nullptr)
        return false;
    // The sine voices play the document a resource's import makes.
    return &to != &WavFileFormat() || options.chip.value_or(SynthKind::Sine) != SynthKind::Sine;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ConvertOptions.h"

#include <algorithm>
#include <cctype>
#include <iterator>

extern const char kUsage[];
const char kUsage[] =
    "usage: tarvok-convert [--from tks|agi] [--to tks|agi|mid|wav] [--instruments P0,P1,P2] "
    "[--chip sine|pcjr|tandy] [--whole] (INPUT | --new) OUTPUT\n"
    "       tarvok-convert --game DIR --list\n"
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
    "  --into-game DIR        write the whole song into the game folder as sound N\n";

namespace
{
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

SynthKind ParseChip(const std::string& name)
{
    const std::optional<SynthKind> chip = SynthKindFromName(name);
    if (!chip)
        throw UsageError{"unknown sound chip for --chip: '" + name + "'"};
    return *chip;
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
    {"--game", true, [](Options& o, const std::string& v) { o.game = v; }},
    {"--into-game", true, [](Options& o, const std::string& v) { o.intoGame = v; }},
    {"--sound", true, [](Options& o, const std::string& v) { o.sound = ParseSoundNumber(v); }},
};

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

bool PlaysRecords(const Options& options)
{
    return OutputFormat(options) == Format::wav && options.chip && *options.chip != SynthKind::Sine;
}

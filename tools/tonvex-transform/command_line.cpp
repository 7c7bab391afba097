#include "command_line.h"

#include <getopt.h>

#include <charconv>
#include <cstring>
#include <optional>

namespace tonvex::cli {

namespace {

// More threads than this only wait on the disk.
constexpr unsigned kMaxJobs = 1024;

// Long options without a short one.
constexpr int kIncludeOutputs = 256;

constexpr option kLongOptions[] = {
    {"jobs", required_argument, nullptr, 'j'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {"include-outputs", no_argument, nullptr, kIncludeOutputs},
    {nullptr, 0, nullptr, 0},
};

bool parseJobs(const char* text, unsigned& jobs)
{
    const char* end = text + std::strlen(text);
    const auto [stop, error] = std::from_chars(text, end, jobs);
    return error == std::errc() && stop == end && jobs >= 1 && jobs <= kMaxJobs;
}

CommandLine usageError(std::string message)
{
    CommandLine line;
    line.error = std::move(message);
    return line;
}

} // namespace

CommandLine parseCommandLine(int argc, char** argv)
{
    CommandLine line;
    // ':' first: a missing argument comes back as ':' rather than '?', and getopt prints nothing.
    static constexpr char kShortOptions[] = ":j:hvV";
    opterr = 0;
    optind = 1;
    for (;;) {
        const int option = ::getopt_long(argc, argv, kShortOptions, kLongOptions, nullptr);
        if (option == -1)
            break;
        switch (option) {
        case 'j':
            if (!parseJobs(optarg, line.jobs))
                return usageError("-j needs a whole number from 1 to " + std::to_string(kMaxJobs) + ", not '" + optarg + "'");
            break;
        case 'h':
            line.action = CommandLine::Action::Help;
            return line;
        case kIncludeOutputs:
            line.includeOutputs = true;
            break;
        case 'v':
        case 'V':
            line.action = CommandLine::Action::Version;
            return line;
        case ':':
            return usageError(std::string("option '") + argv[optind - 1] + "' needs an argument");
        default:
            return usageError(optopt != 0 ? std::string("unknown option '-") + static_cast<char>(optopt) + "'"
                                          : std::string("unknown option '") + argv[optind - 1] + "'");
        }
    }
    if (optind >= argc)
        return usageError("no preset given");
    const std::string presetName = argv[optind++];
    const std::optional<PresetId> preset = presetByName(presetName);
    if (!preset)
        return usageError("unknown preset '" + presetName + "'");
    selectPreset(*preset, line.preset);
    if (optind >= argc)
        return usageError("no file or folder given");
    line.operands.assign(argv + optind, argv + argc);
    line.action = CommandLine::Action::Run;
    return line;
}

std::string_view helpText()
{
    return "Usage: tonvex-transform [OPTION]... PRESET FILE|FOLDER...\n"
           "Write each MIDI file transformed by PRESET beside it, as the Tonvex window does:\n"
           "Song.mid becomes Song_Mirror.mid, Song_Penta.mid, ...\n"
           "\n"
           "PRESET is Mirror, Reverse, Upside, Whole or Penta, or a window button's label\n"
           "(Upside-D, WholeT), in any letter case.\n"
           "A FILE is taken as given; its name must hold \".mid\" in any letter case.\n"
           "A FOLDER stands for every file under it, sub-folders included, whose name ends\n"
           "in \".mid\" or \".midi\" in any letter case, in byte order of their paths; links to\n"
           "folders are not followed. Files named like an output of any preset (ending in\n"
           "_Mirror.mid, _Reverse.mid, _Upside.mid, _Whole.mid or _Penta.mid) are left out,\n"
           "so that presets can be run one after another over the same folder.\n"
           "Two inputs that would write the same output: the first is written, the later\n"
           "one refused; an input that another input writes is refused.\n"
           "\n"
           "  -j, --jobs=N        transform N files at once (default: one per processor)\n"
           "      --include-outputs\n"
           "                      take files named like a preset's output from folders too\n"
           "  -h, --help          show this help and exit\n"
           "  -v, -V, --version   show the version and exit\n"
           "\n"
           "Prints \"ok OUTPUT\" or \"refused FILE: REASON\" per file in input order, then a\n"
           "summary line. Exit status: 0 when every file was written, 1 when any was refused\n"
           "or could not be written, 2 for a usage error. Interrupted, it reports the files\n"
           "it finished, says so in the summary and ends by the signal.\n";
}

} // namespace tonvex::cli

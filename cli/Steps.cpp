// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Steps.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <limits>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/CliText.h"
#include "cli/VideoTimingSteps.h"
#include "resources/StringIds.h"
#include "session/ToolLimits.h"

namespace {

constexpr int kMaxScriptDepth = 8;
// Steps and script files in all, and the characters of the script lines read
// for them, so that nested scripts cannot multiply into more than memory holds
// (ten lines a level make 10^8 steps at the deepest, and a step's points and
// names take memory in proportion to its text).
constexpr std::size_t kMaxSteps = 100000;
constexpr std::size_t kMaxScriptText = std::size_t{16} << 20;
// A script line, so that a file without line breaks is not read whole.
constexpr std::size_t kMaxScriptLine = 65536;

struct KnownStep {
    const char* name;
    StepKind kind;
    bool takesValue;
};

constexpr KnownStep kSteps[] = {
    {"radius", StepKind::Radius, true},
    {"drag", StepKind::Drag, true},
    {"enlarge", StepKind::Enlarge, true},
    {"shrink", StepKind::Shrink, true},
    {"rotate", StepKind::Rotate, true},
    {"smooth", StepKind::Smooth, false},
    {"undo", StepKind::Undo, false},
    {"scale", StepKind::Scale, true},
    {"jpeg-quality", StepKind::JpegQuality, true},
    {"progressive", StepKind::Progressive, false},
    {"baseline", StepKind::Baseline, false},
    {"save", StepKind::Save, true},
    {"duration", StepKind::Duration, true},
    {"fps", StepKind::Fps, true},
    {"video", StepKind::Video, true},
    {"quiet", StepKind::Quiet, false},
    {"find-faces", StepKind::FindFaces, false},
    {"face", StepKind::Face, true},
    {"explain", StepKind::Explain, false},
    {"apply", StepKind::Apply, true},
    {"exaggerate", StepKind::Exaggerate, true},
    {"ease", StepKind::Ease, true},
    {"loop", StepKind::Loop, true},
    {"reverse", StepKind::Reverse, false},
    {"hold-start", StepKind::HoldStart, true},
    {"hold-end", StepKind::HoldEnd, true},
    {"video-size", StepKind::VideoSize, true},
    {"step-back", StepKind::StepBack, true},
    {"step-forward", StepKind::StepForward, true},
    {"caricature", StepKind::Caricature, true},
};

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream stream(text);
    while (std::getline(stream, part, separator))
        parts.push_back(part);
    if (!text.empty() && text.back() == separator)
        parts.emplace_back();
    return parts;
}

bool ParseInt(const std::string& text, int& value)
{
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end && !text.empty();
}

bool ParseDouble(const std::string& text, double& value)
{
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end && !text.empty() && std::isfinite(value);
}

std::string FormatNumber(double value)
{
    std::ostringstream out;
    out << value;
    return out.str();
}

[[noreturn]] void Invalid(const Step& step, const std::string& value, const std::string& expected)
{
    throw StepError(CliText(IDS_CLI_INVALID_VALUE, {step.name, value, expected}));
}

int IntegerIn(const Step& step, const std::string& value, int low, int high)
{
    int number = 0;
    if (!ParseInt(value, number) || number < low || number > high)
        Invalid(step, value, CliText(IDS_CLI_EXPECT_INTEGER, {std::to_string(low), std::to_string(high)}));
    return number;
}

template <class T>
int IntegerIn(const Step& step, const std::string& value, const SettingRange<T>& range)
{
    return IntegerIn(step, value, static_cast<int>(range.minimum), static_cast<int>(range.maximum));
}

bool ParsePoint(const std::string& text, ScreenPoint& point)
{
    const auto coordinates = Split(text, ',');
    return coordinates.size() == 2 && ParseInt(coordinates[0], point.x) && ParseInt(coordinates[1], point.y);
}

// CX,CY,R,F for enlarge and shrink; F must lie in range.
void ParseRegion(Step& step, const std::string& value, const SettingRange<double>& range)
{
    const double low = range.minimum, high = range.maximum;
    const auto parts = Split(value, ',');
    ScreenPoint centre{};
    const bool ok = parts.size() == 4 && ParseInt(parts[0], centre.x) && ParseInt(parts[1], centre.y) &&
                    ParseDouble(parts[2], step.radius) && step.radius >= 0 &&
                    ParseDouble(parts[3], step.factor) && step.factor >= low && step.factor <= high;
    if (!ok)
        Invalid(step, value, CliText(IDS_CLI_EXPECT_REGION, {FormatNumber(low), FormatNumber(high)}));
    step.points = {centre};
}

void ParseRotation(Step& step, const std::string& value)
{
    const auto parts = Split(value, ',');
    ScreenPoint centre{};
    bool ok = (parts.size() == 4 || parts.size() == 5) && ParseInt(parts[0], centre.x) &&
              ParseInt(parts[1], centre.y) && ParseDouble(parts[2], step.radius) && step.radius >= 0 &&
              ParseDouble(parts[3], step.factor) && tool_limits::kRotateAngle.Holds(step.factor);
    step.amplification = tool_limits::kRotateAmplification.start;
    if (ok && parts.size() == 5)
        ok = ParseDouble(parts[4], step.amplification) && tool_limits::kRotateAmplification.Holds(step.amplification);
    if (!ok)
        Invalid(step, value, CliText(IDS_CLI_EXPECT_ROTATION));
    step.points = {centre};
}

// FEATURE=VALUE,... for the face gesture; features left out keep their start values.
void ParseFace(Step& step, const std::string& value)
{
    for (const auto& part : Split(value, ',')) {
        const auto equals = part.find('=');
        int number = 0;
        if (equals == std::string::npos || !ParseInt(part.substr(equals + 1), number))
            Invalid(step, value, CliText(IDS_CLI_EXPECT_FACE));
        const std::string key = part.substr(0, equals);
        if (key == "which" && number >= 1) {
            step.which = number;
            continue;
        }
        if (key == "caricature" && tool_limits::kCaricature.Holds(number)) {
            step.caricature = number;
            continue;
        }
        const auto& ranges = FaceFeatureRanges();
        const auto range = std::find_if(ranges.begin(), ranges.end(), [&](const FaceFeatureRange& r) { return key == r.key; });
        if (range == ranges.end() || number < range->minimum || number > range->maximum)
            Invalid(step, value, CliText(IDS_CLI_EXPECT_FACE));
        step.face.Set(range->feature, number);
    }
}

// K[,which=N] for the automatic caricature.
void ParseCaricature(Step& step, const std::string& value)
{
    const auto parts = Split(value, ',');
    bool ok = (parts.size() == 1 || parts.size() == 2) && ParseInt(parts[0], step.caricature) &&
              tool_limits::kCaricature.Holds(step.caricature);
    if (ok && parts.size() == 2)
        ok = parts[1].rfind("which=", 0) == 0 && ParseInt(parts[1].substr(6), step.which) && step.which >= 1;
    if (!ok)
        Invalid(step, value, CliText(IDS_CLI_EXPECT_CARICATURE));
}

// The VideoEase of "linear|smooth|out" (Ease) or the VideoLoop of
// "once|pingpong" (Loop) into value; false for any other word.
bool ParseTimingChoice(StepKind kind, const std::string& word, int& value)
{
    struct Choice {
        StepKind kind;
        const char* word;
        int value;
    };
    static constexpr Choice kChoices[] = {
        {StepKind::Ease, "linear", static_cast<int>(VideoEase::Linear)},
        {StepKind::Ease, "smooth", static_cast<int>(VideoEase::Smooth)},
        {StepKind::Ease, "out", static_cast<int>(VideoEase::Out)},
        {StepKind::Loop, "once", static_cast<int>(VideoLoop::Once)},
        {StepKind::Loop, "pingpong", static_cast<int>(VideoLoop::PingPong)},
    };
    for (const Choice& choice : kChoices)
        if (choice.kind == kind && word == choice.word) {
            value = choice.value;
            return true;
        }
    return false;
}

void ParseValue(Step& step, const std::string& value)
{
    switch (step.kind) {
    case StepKind::Radius:
        step.integer = IntegerIn(step, value, tool_limits::kMovePointRadius);
        break;
    case StepKind::JpegQuality:
        step.integer = IntegerIn(step, value, tool_limits::kJpegQuality);
        break;
    case StepKind::Duration:
        step.integer = IntegerIn(step, value, tool_limits::kVideoDurationMs);
        break;
    case StepKind::Fps:
        step.integer = IntegerIn(step, value, tool_limits::kVideoFramesPerSecond);
        break;
    case StepKind::Drag: {
        for (const auto& text : Split(value, ':')) {
            ScreenPoint point{};
            if (!ParsePoint(text, point))
                Invalid(step, value, CliText(IDS_CLI_EXPECT_POINTS));
            step.points.push_back(point);
        }
        if (step.points.size() < 2)
            Invalid(step, value, CliText(IDS_CLI_EXPECT_POINTS));
        break;
    }
    case StepKind::Enlarge:
        ParseRegion(step, value, tool_limits::kEnlargeFactor);
        break;
    case StepKind::Shrink:
        ParseRegion(step, value, tool_limits::kShrinkFactor);
        break;
    case StepKind::Rotate:
        ParseRotation(step, value);
        break;
    case StepKind::Scale: {
        const auto size = Split(value, 'x');
        if (size.size() != 2 || !ParseInt(size[0], step.width) || !ParseInt(size[1], step.height) ||
            !tool_limits::kScaleSide.Holds(step.width) || !tool_limits::kScaleSide.Holds(step.height))
            Invalid(step, value, CliText(IDS_CLI_EXPECT_SIZE));
        break;
    }
    case StepKind::Face:
        ParseFace(step, value);
        break;
    case StepKind::Caricature:
        ParseCaricature(step, value);
        break;
    case StepKind::Exaggerate:
        if (!ParseDouble(value, step.factor) || !tool_limits::kExaggeration.Holds(step.factor))
            Invalid(step, value, CliText(IDS_CLI_EXPECT_NUMBER, {FormatNumber(tool_limits::kExaggeration.minimum),
                                                                FormatNumber(tool_limits::kExaggeration.maximum)}));
        break;
    case StepKind::Ease:
    case StepKind::Loop:
        if (!ParseTimingChoice(step.kind, value, step.integer))
            Invalid(step, value, CliText(step.kind == StepKind::Ease ? IDS_CLI_EXPECT_EASE : IDS_CLI_EXPECT_LOOP));
        break;
    case StepKind::HoldStart:
    case StepKind::HoldEnd:
        step.integer = IntegerIn(step, value, tool_limits::kVideoHoldMs);
        break;
    case StepKind::StepBack:
    case StepKind::StepForward:
        // How far the history reaches is checked when the step runs.
        step.integer = IntegerIn(step, value, 1, std::numeric_limits<int>::max());
        break;
    case StepKind::VideoSize:
        // The upper end, the picture's long side, is checked when the step runs.
        step.integer = IntegerIn(step, value, kMinVideoSize, 65535);
        break;
    case StepKind::Save:
    case StepKind::Video:
    case StepKind::Apply:
        if (value.empty())
            Invalid(step, value, CliText(IDS_CLI_EXPECT_FILE));
        step.path = value;
        break;
    default:
        break;
    }
}

const KnownStep* FindStep(const std::string& name)
{
    for (const auto& known : kSteps)
        if (name == known.name)
            return &known;
    return nullptr;
}

// The steps so far and the script files read for them.
struct Parsed {
    std::vector<Step> steps;
    std::size_t scripts = 0;
    std::size_t scriptText = 0;

    // Refuses one more step or script file, or more text, beyond the bounds.
    void CheckRoom() const
    {
        if (steps.size() + scripts >= kMaxSteps || scriptText > kMaxScriptText)
            throw StepError(CliText(IDS_CLI_TOO_MANY_STEPS,
                                    {std::to_string(kMaxSteps), std::to_string(kMaxScriptText >> 20)}));
    }
};

void ParseInto(const std::vector<std::string>& arguments, Parsed& parsed, int depth);

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// Closes the script file however reading it ends.
struct ScriptFile {
    std::FILE* file;
    ~ScriptFile()
    {
        if (file)
            std::fclose(file);
    }
};

// Opens a script: only a regular file, looked at without blocking, since a
// named pipe would wait for a writer and a device would never end.
std::FILE* OpenScript(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        throw StepError(CliText(IDS_CLI_SCRIPT_UNREADABLE, {path}));
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        throw StepError(CliText(IDS_CLI_SCRIPT_NOT_REGULAR, {path}));
    }
    std::FILE* file = ::fdopen(fd, "r");
    if (!file) {
        ::close(fd);
        throw StepError(CliText(IDS_CLI_SCRIPT_UNREADABLE, {path}));
    }
    return file;
}

// The next line without its break; false at the end of the file. A line
// longer than kMaxScriptLine is refused.
bool ReadLine(std::FILE* file, std::string& line)
{
    line.clear();
    int c;
    while ((c = std::getc(file)) != EOF && c != '\n') {
        if (line.size() == kMaxScriptLine)
            throw StepError(CliText(IDS_CLI_SCRIPT_LINE_TOO_LONG, {std::to_string(kMaxScriptLine)}));
        line.push_back(static_cast<char>(c));
    }
    return c != EOF || !line.empty();
}

// A script holds one step a line without the leading dashes; '#' starts a comment.
void ParseScript(const std::string& path, Parsed& parsed, int depth)
{
    if (depth >= kMaxScriptDepth)
        throw StepError(CliText(IDS_CLI_SCRIPT_TOO_DEEP, {path}));
    parsed.CheckRoom();
    ++parsed.scripts;
    ScriptFile script{OpenScript(path)};
    std::string line;
    int lineNumber = 0;
    for (;;) {
        ++lineNumber;
        try {
            if (!ReadLine(script.file, line))
                break;
        } catch (const StepError& error) {
            throw StepError(CliText(IDS_CLI_SCRIPT_LINE, {path, std::to_string(lineNumber), error.what()}));
        }
        const auto hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        line = Trim(line);
        parsed.scriptText += line.size();
        if (line.empty())
            continue;
        const auto gap = line.find_first_of(" \t");
        std::string name = line.substr(0, gap);
        if (name.rfind("--", 0) != 0)
            name = "--" + name;
        std::vector<std::string> lineArguments{name};
        if (gap != std::string::npos)
            lineArguments.push_back(Trim(line.substr(gap)));
        try {
            ParseInto(lineArguments, parsed, depth + 1);
        } catch (const StepError& error) {
            throw StepError(CliText(IDS_CLI_SCRIPT_LINE, {path, std::to_string(lineNumber), error.what()}));
        }
    }
    if (std::ferror(script.file))
        throw StepError(CliText(IDS_CLI_SCRIPT_UNREADABLE, {path}));
}

void ParseInto(const std::vector<std::string>& arguments, Parsed& parsed, int depth)
{
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.rfind("--", 0) != 0)
            throw StepError(CliText(IDS_CLI_UNKNOWN_STEP, {argument}));
        std::string name = argument.substr(2);
        std::string inlineValue;
        bool hasInlineValue = false;
        if (const auto equals = name.find('='); equals != std::string::npos) {
            inlineValue = name.substr(equals + 1);
            name.erase(equals);
            hasInlineValue = true;
        }
        const std::string displayName = "--" + name;
        if (name == "script") {
            std::string path = hasInlineValue ? inlineValue : (i + 1 < arguments.size() ? arguments[++i] : "");
            if (path.empty())
                throw StepError(CliText(IDS_CLI_MISSING_VALUE, {displayName}));
            ParseScript(path, parsed, depth);
            continue;
        }
        const KnownStep* known = FindStep(name);
        if (!known)
            throw StepError(CliText(IDS_CLI_UNKNOWN_STEP, {argument}));
        Step step;
        step.kind = known->kind;
        step.name = displayName;
        if (known->takesValue) {
            if (!hasInlineValue) {
                if (i + 1 >= arguments.size())
                    throw StepError(CliText(IDS_CLI_MISSING_VALUE, {displayName}));
                inlineValue = arguments[++i];
            }
            ParseValue(step, inlineValue);
        } else if (hasInlineValue) {
            Invalid(step, inlineValue, CliText(IDS_CLI_EXPECT_NO_VALUE));
        }
        parsed.CheckRoom();
        parsed.steps.push_back(std::move(step));
    }
}

}  // namespace

std::vector<Step> ParseSteps(const std::vector<std::string>& arguments)
{
    Parsed parsed;
    ParseInto(arguments, parsed, 0);
    return std::move(parsed.steps);
}

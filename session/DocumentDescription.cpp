// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/DocumentDescription.h"

#include <charconv>
#include <string_view>
#include <vector>

#include "image/ImageLimits.h"
#include "resources/StringIds.h"
#include "session/DocumentError.h"

namespace {

constexpr std::int32_t kMinRadius = 1;
constexpr std::int32_t kMaxRadius = 1000;
constexpr std::int32_t kMaxMode = 1000;

[[noreturn]] void Malformed()
{
    throw DocumentError(IDS_DOCUMENT_CAUSE_DESCRIPTION);
}

// Splits text into its lines; the last may end without a line break.
std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

// The value of the line `key=value`, or a malformed description.
std::string_view ValueOf(std::string_view line, std::string_view key)
{
    if (line.size() <= key.size() || line.substr(0, key.size()) != key || line[key.size()] != '=')
        Malformed();
    return line.substr(key.size() + 1);
}

// A decimal number without sign or leading zeros, in [low, high].
std::int32_t NumberIn(std::string_view value, std::int32_t low, std::int32_t high)
{
    if (value.empty() || (value.size() > 1 && value[0] == '0'))
        Malformed();
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc() || end != value.data() + value.size() || number < low || number > high)
        Malformed();
    return number;
}

}  // namespace

std::string FormatDescription(const DocumentDescription& description)
{
    std::string source = description.sourceName;
    for (char& c : source)
        if (c == '\n' || c == '\r')
            c = ' ';
    return "format=" + std::to_string(description.format) + "\nwidth=" + std::to_string(description.width) +
           "\nheight=" + std::to_string(description.height) + "\nradius=" + std::to_string(description.radius) +
           "\nundo=" + (description.canUndo ? "1" : "0") + "\nmode=" + std::to_string(description.lastMode) +
           "\nsource=" + source + "\n";
}

DocumentDescription ParseDescription(const std::string& text)
{
    const std::vector<std::string_view> lines = Lines(text);
    if (lines.empty())
        Malformed();
    DocumentDescription description;
    // A later format may say anything after its first line.
    const std::string_view format = ValueOf(lines[0], "format");
    description.format = NumberIn(format, 1, 1000000);
    if (description.format != DocumentDescription::kFormatVersion)
        throw DocumentError(IDS_DOCUMENT_CAUSE_VERSION, std::string(format),
                            std::to_string(DocumentDescription::kFormatVersion));
    if (lines.size() != 7)
        Malformed();
    description.width = NumberIn(ValueOf(lines[1], "width"), 1, static_cast<std::int32_t>(kMaxPictureDimension));
    description.height = NumberIn(ValueOf(lines[2], "height"), 1, static_cast<std::int32_t>(kMaxPictureDimension));
    if (!IsAcceptablePictureSize(description.width, description.height))
        throw DocumentError(IDS_DOCUMENT_CAUSE_SIZE, std::to_string(description.width),
                            std::to_string(description.height));
    description.radius = NumberIn(ValueOf(lines[3], "radius"), kMinRadius, kMaxRadius);
    description.canUndo = NumberIn(ValueOf(lines[4], "undo"), 0, 1) == 1;
    description.lastMode = NumberIn(ValueOf(lines[5], "mode"), 0, kMaxMode);
    if (lines[6].substr(0, 7) != "source=")
        Malformed();
    description.sourceName = std::string(lines[6].substr(7));
    return description;
}

#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The small text part of a Grimasso document that says what its other parts
// hold: one `key=value` a line, UTF-8, in this order:
//   format=1          the version of the document format
//   width=W, height=H the picture's size in pixels
//   radius=R          the move-point radius
//   undo=0|1          whether the latest gesture can be taken back
//   mode=M            the number of that gesture's mode (kept as it is)
//   source=NAME       the name of the file the picture came from (may be empty)
#include <cstdint>
#include <optional>
#include <string>

struct DocumentDescription {
    static constexpr std::int32_t kFormatVersion = 1;

    std::int32_t format = kFormatVersion;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t radius = 0;
    bool canUndo = false;
    std::int32_t lastMode = 0;
    std::string sourceName;

    friend bool operator==(const DocumentDescription&, const DocumentDescription&) = default;
};

// The text of description; line breaks in the source name become spaces.
std::string FormatDescription(const DocumentDescription& description);

// Reads the text back. Every key must appear once, in the order above, with a
// value in range (a size within the picture limits, the radius 1 to 1000);
// anything else raises DocumentError. A format other than kFormatVersion is
// refused after the first line, before anything else is trusted.
DocumentDescription ParseDescription(const std::string& text);

// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/TerminalText.h"

namespace {

void AppendEscaped(std::string& out, unsigned char byte)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    out += "\\x";
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0xF];
}

}  // namespace

std::string EscapeControlCharacters(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool c1 = byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if (c1) {
            AppendEscaped(out, byte);
            AppendEscaped(out, static_cast<unsigned char>(text[++i]));
        } else if (byte < 0x20 || byte == 0x7F) {
            AppendEscaped(out, byte);
        } else {
            out += text[i];
        }
    }
    return out;
}

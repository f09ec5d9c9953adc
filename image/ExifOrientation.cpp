// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/ExifOrientation.h"

#include <cstring>
#include <vector>

#include <libexif/exif-data.h>
#include <libexif/exif-loader.h>

namespace {

constexpr std::uint8_t kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};

bool StartsWithTiffHeader(const std::uint8_t* data, std::size_t size)
{
    return size >= 4 && ((data[0] == 'I' && data[1] == 'I') || (data[0] == 'M' && data[1] == 'M'));
}

// libexif's own ExifData, freed on every way out.
struct ExifDataHandle {
    ExifData* data;
    ~ExifDataHandle()
    {
        if (data != nullptr)
            exif_data_unref(data);
    }
};

}  // namespace

int ExifOrientation(const std::uint8_t* exif, std::size_t size)
{
    if (exif == nullptr || size == 0 || size > 0xFFFFFFu)
        return 1;
    // libexif expects the JPEG segment's header; a bare TIFF block gets one.
    std::vector<std::uint8_t> block;
    if (StartsWithTiffHeader(exif, size)) {
        block.assign(kExifHeader, kExifHeader + sizeof kExifHeader);
        block.insert(block.end(), exif, exif + size);
        exif = block.data();
        size = block.size();
    }
    if (size < sizeof kExifHeader || std::memcmp(exif, kExifHeader, sizeof kExifHeader) != 0)
        return 1;

    ExifDataHandle handle{exif_data_new()};
    if (handle.data == nullptr)
        return 1;
    // Only the tags as stored: no maker notes, no repairs that would invent values.
    exif_data_unset_option(handle.data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_unset_option(handle.data, EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
    exif_data_set_option(handle.data, EXIF_DATA_OPTION_DONT_CHANGE_MAKER_NOTE);
    exif_data_load_data(handle.data, exif, static_cast<unsigned int>(size));

    ExifEntry* entry = exif_content_get_entry(handle.data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (entry == nullptr || entry->format != EXIF_FORMAT_SHORT || entry->components < 1 || entry->data == nullptr ||
        entry->size < 2)
        return 1;
    const int value = exif_get_short(entry->data, exif_data_get_byte_order(handle.data));
    return value >= 1 && value <= 8 ? value : 1;
}

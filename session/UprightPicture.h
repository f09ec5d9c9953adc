#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Brings a freshly read 24-bit picture into the form every later step works
// on: its colours converted from the embedded profile to sRGB, then turned
// and mirrored upright by its recorded orientation. Both run on one thread per
// core over row bands for large pictures.
class CDibImage;

// Applies picture.m_metadata to the 24-bit rows of picture, which must hold a
// writable 24-bit picture, and resets the metadata to "upright, no profile".
// A profile that cannot be used is ignored. Raises CMemoryException when the
// turned picture cannot be allocated.
void MakeUprightInSrgb(CDibImage& picture);

#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// At start: recovery copies that an editor no longer running left behind are
// offered once; Yes opens each as a modified picture with its former title,
// No deletes them.
class CDocManager;

void OfferRecovery(CDocManager& documents);

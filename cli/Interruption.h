#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// grimasso-cli's answer to SIGINT, SIGTERM and SIGHUP: what was being written
// (the temporary file of a save, the partial video) is removed, a short German
// line goes to standard error, and the process ends with 128 plus the signal's
// number: 130, 143 or 129. SIGXFSZ is ignored, so that a write over the
// file-size limit fails with EFBIG and is reported like a full disk.
void InstallInterruptionHandlers();

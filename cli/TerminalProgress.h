#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The video export's progress as a bar on standard error, drawn only when
// standard error is a terminal and the user did not ask for quiet.
#include "video/VideoExport.h"

class TerminalProgress : public IVideoExportProgress {
public:
    explicit TerminalProgress(bool quiet);
    ~TerminalProgress() override;

    bool TakeCancelRequest() override { return false; }
    void SetPosition(int position) override;

private:
    bool m_enabled;
    int m_shown = -1;
};

#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// A progress display for export tests that records every call in order.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "session/VideoOutcomeMessage.h"
#include "video/VideoExport.h"

namespace videotest {

using Events = std::vector<std::string>;

// Records "show", "ask", the positions and "fail<id>" in order. While a failure
// is reported it also notes whether the file at watchedPath still exists.
class RecordingProgress : public IVideoExportProgress {
public:
    bool TakeCancelRequest() override
    {
        events.push_back("ask");
        ++questions;
        return questions == cancelAtQuestion || cancelFromNowOn;
    }
    void SetPosition(int position) override
    {
        events.push_back(std::to_string(position));
        if (onPosition)
            onPosition(position);
    }
    void Show() override { events.push_back("show"); }
    void ReportFailure(VideoExportOutcome outcome) override
    {
        events.push_back("fail" + std::to_string(MessageIdForOutcome(outcome)));
        if (!watchedPath.empty())
            fileExistedAtFailure = std::filesystem::exists(std::filesystem::symlink_status(watchedPath));
    }

    Events events;
    int questions = 0;
    int cancelAtQuestion = 0;  // the question answered with yes (1 = the first)
    bool cancelFromNowOn = false;
    std::function<void(int)> onPosition;
    std::string watchedPath;
    bool fileExistedAtFailure = false;
};

}  // namespace videotest

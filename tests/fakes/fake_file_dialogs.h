#pragma once

#include <vector>

#include "platform/file_dialogs.h"

namespace vz::test {

/// Answers file dialogs from a script and records what each was asked.
class FakeFileDialogs : public platform::FileDialogs
{
public:
    platform::FileDialogResult show(const platform::FileDialogRequest& request) override
    {
        asked.push_back(request);
        if (results.empty()) {
            return {};
        }
        platform::FileDialogResult next = results.front();
        results.erase(results.begin());
        return next;
    }

    std::vector<platform::FileDialogRequest> asked;
    /// The next results, in order; a dialog with none left is cancelled.
    std::vector<platform::FileDialogResult> results;
};

} // namespace vz::test

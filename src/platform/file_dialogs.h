#pragma once

#include <string>

namespace vz::platform {

/// What a file dialog is asked to show.
struct FileDialogRequest
{
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    std::u16string title;
    /// Preset file name, a full path or a pattern such as "/home/me/*.ini".
    std::u16string initialName;
    /// Appended (after a ".") to a chosen name that has no extension; empty for none.
    std::u16string defaultExtension;
};

/// What the person did with the dialog. A cancellation is told apart from a failure, since
/// callers end quietly on the first and report the second.
struct FileDialogResult
{
    enum class Outcome { Chosen, Cancelled, Failed };
    Outcome outcome = Outcome::Cancelled;
    std::u16string path;  ///< full path, when chosen
    std::u16string error; ///< what went wrong, when failed
};

/// The platform's open and save file dialogs.
class FileDialogs
{
public:
    virtual ~FileDialogs() = default;
    virtual FileDialogResult show(const FileDialogRequest& request) = 0;
};

} // namespace vz::platform

#pragma once

#include <QWidget>

#include "platform/messages.h"
#include "platform/program_starter.h"
#include "platform/system_info.h"

namespace vz::ui {

/// The about box, frmAbout: title, version, what the program does, and the system information
/// program. Beyond that it shows the versions of the libraries it runs with as selectable text,
/// for bug reports.
class AboutWindow final : public QWidget
{
    Q_OBJECT

public:
    AboutWindow(platform::Messages& messages, platform::ProgramStarter& starter,
                platform::EnvironmentLookup environment = platform::processEnvironment, QWidget* parent = nullptr);

    /// "ﾊﾞｰｼﾞｮﾝ " then major.minor.patch and "J".
    static QString versionText();

private:
    platform::Messages& m_messages;
    platform::ProgramStarter& m_starter;
    platform::EnvironmentLookup m_environment;
};

} // namespace vz::ui

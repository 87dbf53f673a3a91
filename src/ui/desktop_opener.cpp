#include "desktop_opener.h"

#include <QProcess>

namespace vz::ui {

void openWithDesktop(const QString& path, std::function<void(const QString& why)> failed)
{
    // Not owned by a window: closing the program must not end the browser the opener waits on.
    auto* opener = new QProcess;
    opener->setProgram(QStringLiteral("xdg-open"));
    opener->setArguments({path});
    opener->setStandardInputFile(QProcess::nullDevice());
    opener->setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(opener, &QProcess::errorOccurred, opener, [opener, failed](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            failed(QStringLiteral("xdg-open を起動できません"));
            opener->deleteLater();
        }
    });
    QObject::connect(opener, &QProcess::finished, opener, [opener, failed](int code, QProcess::ExitStatus status) {
        if (status != QProcess::NormalExit || code != 0) {
            failed(code == 3 ? QStringLiteral("開くためのプログラムが見つかりません")
                             : QStringLiteral("xdg-open が失敗しました（終了コード %1）").arg(code));
        }
        opener->deleteLater();
    });
    opener->start();
}

} // namespace vz::ui

#include "program_look.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

// The resources of a static library are linked only when asked for by name, outside any namespace.
static void loadProgramResources()
{
    Q_INIT_RESOURCE(program);
}

namespace vz::ui {

QIcon programIcon()
{
    loadProgramResources();
    return QIcon(QStringLiteral(":/vodezeva/vodezeva.svg"));
}

bool dressApplication(QApplication& app)
{
    QApplication::setWindowIcon(programIcon());
    // The program speaks Japanese whatever the desktop's language, so Qt's buttons do too.
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QApplication::installTranslator(translator);
    return true;
}

} // namespace vz::ui

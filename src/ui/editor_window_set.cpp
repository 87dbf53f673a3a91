#include "editor_window_set.h"

#include "ui/import_window.h"

namespace vz::ui {

EditorWindowSet::EditorWindowSet(run::RunState& state, run::Reporter& reporter, DialogHost& dialogs)
    : m_host(dialogs), m_configDialogs(dialogs), m_detailDialogs(dialogs), m_defDialogs(dialogs),
      m_editor(state, reporter, m_configDialogs, m_configDialogs, &m_detailDialogs),
      m_config(std::make_unique<ConfigWindow>(m_editor)),
      m_detail(std::make_unique<ConfigDetailWindow>(m_editor.detail())),
      m_def(std::make_unique<DefWindow>(state, reporter, m_defDialogs, m_defDialogs, *this))
{
    m_configDialogs.setWindow(m_config.get());
    m_detailDialogs.setWindow(m_detail.get());
    m_defDialogs.setWindow(m_def.get());
    m_editor.onChanged = [this] { sync(); };
    m_editor.LoadDef = [this] { m_def->LoadDef(); };
    m_editor.importRequested = [this] { startImport(m_config.get(), m_editor, m_host); };
    m_editor.saved = [this] {
        if (m_saved) {
            m_saved();
        }
    };
}

EditorWindowSet::~EditorWindowSet()
{
    m_editor.onChanged = nullptr;
    m_editor.LoadDef = nullptr;
    m_editor.importRequested = nullptr;
    m_editor.saved = nullptr;
}

void EditorWindowSet::openConfig(const std::u16string& iniPath, bool fromDef)
{
    if (m_editor.requestOpen(iniPath, fromDef) == edit::ConfigEditor::OpenOutcome::Opened) {
        // An import window still open would put another file's sites into this table.
        closeImportWindows(m_config.get());
    }
    sync();
    if (m_editor.isOpen()) {
        m_config->raise();
        m_config->activateWindow();
    }
}

void EditorWindowSet::openDef()
{
    m_def->open();
}

bool EditorWindowSet::mayEnd()
{
    static const std::u16string kQuestion = u"変更を保存せずこの画面を閉じてもいいですか?";
    if (m_editor.isOpen() && m_editor.hasUnsavedChanges() && !m_configDialogs.askOkCancel(kQuestion)) {
        return false;
    }
    return !m_def->isVisible() || !m_def->model().hasUnsavedChanges() || m_defDialogs.askOkCancel(kQuestion);
}

void EditorWindowSet::closeForShutdown()
{
    if (m_editor.isOpen()) {
        m_editor.closeQuietly();
    }
    m_editor.detail().closeQuietly();
    sync();
    m_def->hide();
}

void EditorWindowSet::sync()
{
    if (m_editor.isOpen()) {
        m_config->refresh();
        m_config->show();
    } else {
        m_config->hide();
        closeImportWindows(m_config.get());
    }
    if (m_editor.detail().isOpen()) {
        m_detail->refresh();
        m_detail->show();
        // Brought to the front when bound to a row, not at every change of the page.
        if (m_raisedBinding != m_editor.detail().binding()) {
            m_raisedBinding = m_editor.detail().binding();
            m_detail->raise();
        }
    } else {
        m_detail->hide();
    }
}

} // namespace vz::ui

#include "import_window.h"

#include <algorithm>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include "ui/dialog_keys.h"
#include "ui/named_button.h"
#include "ui/qt_text.h"

namespace vz::ui {

namespace {

QListWidget* list(const QString& name, QAbstractItemView::SelectionMode mode)
{
    auto* l = new QListWidget;
    l->setObjectName(name);
    l->setSelectionMode(mode);
    return l;
}

void fill(QListWidget* list, const std::vector<std::u16string>& entries)
{
    list->clear();
    for (const auto& entry : entries) {
        list->addItem(toQt(entry));
    }
    // Wide enough for the longest site name beside its scroll bar, and for a name of sixteen
    // Japanese letters whatever the file holds now, up to forty; a longer name is cut at the edge
    // and shows whole as the item's tool tip.
    const int letter = list->fontMetrics().horizontalAdvance(QStringLiteral("漢"));
    const int longest = std::clamp(list->sizeHintForColumn(0), 16 * letter, 40 * letter);
    list->setMinimumWidth(longest + 2 * list->frameWidth() + list->verticalScrollBar()->sizeHint().width());
    for (int row = 0; row < list->count(); ++row) {
        list->item(row)->setToolTip(list->item(row)->text());
    }
}

std::optional<int> chosen(const QListWidget* list)
{
    const auto items = list->selectedItems();
    if (items.isEmpty()) {
        return std::nullopt;
    }
    return list->row(items.front());
}

int twipsToPixels(const QWidget* widget, int twips)
{
    return twips * widget->logicalDpiY() / 1440;
}

} // namespace

ImportWindow::ImportWindow(edit::ImportStart start, run::EditSiteTable& table, std::int16_t& editSiteCount,
                           run::Reporter& reporter, DialogHost& dialogs, std::function<void()> LoadConfig,
                           std::function<void()> StorePage, QWidget* parent)
    : QWidget(parent, Qt::Window), m_dialogs(dialogs, this),
      m_model(std::move(start), table, editSiteCount, reporter, m_dialogs, std::move(LoadConfig), std::move(StorePage))
{
    setObjectName(QStringLiteral("frmImport"));
    setWindowTitle(toQt(m_model.caption()));

    auto* column = new QVBoxLayout(this);
    auto* cmdImportAll = namedButton(QStringLiteral("cmdImportAll"), QStringLiteral("すべて読み込み"));
    auto* cmdImportOne = namedButton(QStringLiteral("cmdImportOne"), QStringLiteral("選択して読み込み"));
    auto* cmdReplace = namedButton(QStringLiteral("cmdReplace"), QStringLiteral("１つずつ置換"));
    cmdImportAll->setToolTip(QStringLiteral("読み込み元のサイトをすべて、最後のサイトの後に加えます"));
    cmdImportOne->setToolTip(QStringLiteral("選んだサイトだけを加えます"));
    cmdReplace->setToolTip(QStringLiteral("表のサイトを1つずつ読み込み元のサイトで置き換えます"));
    for (auto* b : {cmdImportAll, cmdImportOne, cmdReplace}) {
        column->addWidget(b);
    }

    // lstSelect stands where the two replace lists and the arrow stand; one group shows at a time.
    m_lower = new QWidget;
    auto* grid = new QGridLayout(m_lower);
    grid->setContentsMargins(0, 0, 0, 0);
    m_lstSelect = list(QStringLiteral("lstSelect"), QAbstractItemView::MultiSelection);
    m_lstSource = list(QStringLiteral("lstSource"), QAbstractItemView::SingleSelection);
    m_label = new QLabel(QStringLiteral("----->"));
    m_label->setObjectName(QStringLiteral("Label"));
    m_lstDestination = list(QStringLiteral("lstDestination"), QAbstractItemView::SingleSelection);
    grid->addWidget(m_lstSelect, 0, 0, 1, 3);
    grid->addWidget(m_lstSource, 0, 0);
    grid->addWidget(m_label, 0, 1);
    grid->addWidget(m_lstDestination, 0, 2);
    m_lstSource->setToolTip(QStringLiteral("読み込み元のサイト"));
    m_lstDestination->setToolTip(QStringLiteral("置き換える表のサイト"));
    m_cmdImport = namedButton(QStringLiteral("cmdImport"), QStringLiteral("読み込み"));
    grid->addWidget(m_cmdImport, 1, 0, 1, 3);
    bindDialogKeys(*this, m_cmdImport, nullptr);
    column->addWidget(m_lower, 1);
    m_lower->hide();

    resize(twipsToPixels(this, 4800), twipsToPixels(this, kCompactTwips));

    connect(cmdImportAll, &QPushButton::clicked, this, [this] {
        if (m_model.importAll()) {
            close();
        }
    });
    connect(cmdImportOne, &QPushButton::clicked, this, [this] {
        m_model.enterSelectMode();
        m_lstSource->hide();
        m_label->hide();
        m_lstDestination->hide();
        m_lstSelect->show();
        fill(m_lstSelect, m_model.sourceEntries());
        grow();
    });
    connect(cmdReplace, &QPushButton::clicked, this, [this] {
        m_model.enterReplaceMode();
        m_lstSelect->hide();
        m_lstSource->show();
        m_label->show();
        m_lstDestination->show();
        fill(m_lstSource, m_model.sourceEntries());
        showDestinations();
        grow();
    });
    connect(m_cmdImport, &QPushButton::clicked, this, &ImportWindow::importClicked);
}

void ImportWindow::grow()
{
    m_lower->show();
    resize(std::max(width(), minimumSizeHint().width()), twipsToPixels(this, kGrownTwips));
}

void ImportWindow::importClicked()
{
    if (m_model.mode() == edit::SiteImport::Mode::Replace) {
        const auto destination = chosen(m_lstDestination);
        if (m_model.replace(chosen(m_lstSource), destination)) {
            showDestinations();
            m_lstDestination->setCurrentRow(*destination);
        }
        return;
    }
    std::vector<int> marked;
    for (int entry = 0; entry < m_lstSelect->count(); ++entry) {
        if (m_lstSelect->item(entry)->isSelected()) {
            marked.push_back(entry);
        }
    }
    if (m_model.importSelected(marked)) {
        close();
    }
}

void ImportWindow::showDestinations()
{
    fill(m_lstDestination, m_model.destinationEntries());
    for (int row = 0; row < m_lstDestination->count(); ++row) {
        if (const auto before = m_model.replacedName(static_cast<std::size_t>(row))) {
            QListWidgetItem* item = m_lstDestination->item(row);
            QFont bold = item->font();
            bold.setBold(true);
            item->setFont(bold);
            item->setToolTip(QStringLiteral("「%1」を置き換えました").arg(toQt(*before)));
        }
    }
}

ImportWindow* startImport(QWidget* parent, edit::ConfigEditor& editor, DialogHost& dialogs)
{
    auto start = editor.cmdImport();
    if (!start) {
        return nullptr;
    }
    // One import window at a time, for one source.
    closeImportWindows(parent);
    auto* window = new ImportWindow(
        std::move(*start), editor.table(), editor.state().EditSiteCount, editor.reporter(), dialogs,
        [&editor] { editor.tableReplaced(); }, [&editor] { editor.StorePage(editor.CurrentTop()); }, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window;
}

void closeImportWindows(QWidget* parent)
{
    if (!parent) {
        return;
    }
    for (auto* window : parent->findChildren<ImportWindow*>()) {
        window->close();
    }
}

} // namespace vz::ui

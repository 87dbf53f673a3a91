#include "site_try_view.h"

#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QVBoxLayout>

#include "gather/check_report.h"
#include "ui/qt_text.h"

namespace vz::ui {

ArticleBrowser::ArticleBrowser(QWidget* parent) : QTextBrowser(parent)
{
    setOpenLinks(false);
    setOpenExternalLinks(false);
}

QVariant ArticleBrowser::loadResource(int, const QUrl&)
{
    // Pictures kept by a run are not there yet, and anything else is a stranger's.
    return {};
}

SiteTryView::SiteTryView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("tryReport"));
    m_verdict = new QLabel;
    m_verdict->setObjectName(QStringLiteral("lblVerdict"));
    m_verdict->setWordWrap(true);
    m_verdict->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_verdict->setTextFormat(Qt::PlainText);

    m_article = new ArticleBrowser;
    m_article->setObjectName(QStringLiteral("txtArticle"));
    m_links = new QListWidget;
    m_links->setObjectName(QStringLiteral("lstLinks"));
    m_links->setToolTip(QStringLiteral("リンクを選んで「試す」を押すと、その記事を試します"));
    m_report = new QPlainTextEdit;
    m_report->setObjectName(QStringLiteral("txtReport"));
    m_report->setReadOnly(true);
    m_report->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_report->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    m_tabs = new QTabWidget;
    m_tabs->setObjectName(QStringLiteral("tabsTry"));
    m_tabs->addTab(m_article, QStringLiteral("書き込まれる記事"));
    m_tabs->addTab(m_links, QStringLiteral("リンク"));
    m_tabs->addTab(m_report, QStringLiteral("報告"));
    m_tabs->setMinimumHeight(220);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(m_verdict);
    column->addWidget(m_tabs, 1);

    connect(m_links, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { m_picked = item->data(Qt::UserRole).toInt(); });
}

void SiteTryView::clear()
{
    m_picked.reset();
    m_verdict->clear();
    m_verdict->setStyleSheet({});
    m_article->clear();
    m_links->clear();
    m_report->clear();
}

void SiteTryView::showRunning(const std::u16string& address)
{
    m_verdict->setStyleSheet({});
    m_verdict->setText(QStringLiteral("試しています: %1").arg(toQt(address)));
}

void SiteTryView::showProblem(const std::u16string& problem)
{
    m_verdict->setStyleSheet(QStringLiteral("color: #b00020;"));
    m_verdict->setText(toQt(problem));
}

void SiteTryView::showCheck(const gather::SiteCheck& check)
{
    m_verdict->setStyleSheet(check.works() ? QStringLiteral("color: #1b5e20;") : QStringLiteral("color: #b00020;"));
    m_verdict->setText(toQt(gather::verdictText(check)));

    m_links->clear();
    for (const gather::LinkStep& step : check.walk.steps) {
        auto* item = new QListWidgetItem(
            QStringLiteral("%1  %2  %3").arg(step.index).arg(toQt(gather::fateText(step.fate)), toQt(step.address)),
            m_links);
        item->setData(Qt::UserRole, step.index);
        if (check.article && check.article->link.index == step.index) {
            m_links->setCurrentItem(item);
        }
    }

    const bool article = check.article && !check.article->text.empty();
    if (!article) {
        m_article->setPlainText(QStringLiteral("（記事はありません）"));
    } else if (check.site.TagOption == gather::kRemoveAll) {
        // Plain-text pages end their lines with LF CR as well as CR LF.
        m_article->setPlainText(toQt(check.article->text).remove(u'\r'));
    } else {
        m_article->setHtml(toQt(check.article->text));
    }
    m_report->setPlainText(toQt(gather::reportText(check, {})));
    m_tabs->setCurrentWidget(article ? static_cast<QWidget*>(m_article) : m_report);
}

} // namespace vz::ui

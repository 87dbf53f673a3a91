#pragma once

#include <optional>

#include <QTextBrowser>
#include <QWidget>

#include "gather/site_check.h"

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QTabWidget;

namespace vz::ui {

/// Shows an article as a reader would see it, from the allowlisted markup a run writes, and loads
/// nothing: no picture, no style sheet, no address, whatever the markup names.
class ArticleBrowser final : public QTextBrowser
{
    Q_OBJECT

public:
    explicit ArticleBrowser(QWidget* parent = nullptr);
    QVariant loadResource(int type, const QUrl& name) override;
};

/// The report of a tried site under the detail window's fields: the verdict, the article as it
/// will be written, the links with what a run does with each (one may be picked to try as the
/// article), and the whole report as text.
class SiteTryView final : public QWidget
{
    Q_OBJECT

public:
    explicit SiteTryView(QWidget* parent = nullptr);

    /// A trial has begun.
    void showRunning(const std::u16string& address);
    /// A trial has ended.
    void showCheck(const gather::SiteCheck& check);
    /// The trial could not begin.
    void showProblem(const std::u16string& problem);
    /// Forgets everything shown, the picked link too: the window shows another row.
    void clear();

    /// The link picked from the list to try as the article, if any.
    std::optional<int> picked() const { return m_picked; }

private:
    QLabel* m_verdict = nullptr;
    QTabWidget* m_tabs = nullptr;
    ArticleBrowser* m_article = nullptr;
    QListWidget* m_links = nullptr;
    QPlainTextEdit* m_report = nullptr;
    std::optional<int> m_picked;
};

} // namespace vz::ui

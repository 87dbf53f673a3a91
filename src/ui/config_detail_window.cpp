#include "config_detail_window.h"

#include <algorithm>

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QScreen>
#include <QTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "platform/concurrent_fetcher.h"
#include "ui/dialog_keys.h"
#include "ui/japanese_text_room.h"
#include "ui/named_button.h"
#include "ui/qt_text.h"

namespace vz::ui {

namespace {

const QString kTry = QStringLiteral("試す");
const QString kStop = QStringLiteral("中止");

// Field numbers of the site line.
enum Field {
    IndexName = 0,
    IndexAddress = 1,
    ServerAddressHeader = 2,
    FileName = 3,
    FilterIndex1 = 4,
    FilterIndex2 = 5,
    FilterHeadline1 = 6,
    FilterHeadline2 = 7,
    FilterText1 = 8,
    FilterText2 = 9,
    NrPage = 13,
    minPix = 14,
};

} // namespace

ConfigDetailWindow::ConfigDetailWindow(edit::ConfigDetail& detail, QWidget* parent)
    : QWidget(parent), m_detail(detail), m_windowThread(this),
      m_trial(m_windowThread, [] { return std::make_unique<platform::ConcurrentFetcher>(); })
{
    setObjectName(QStringLiteral("frmConfigDetail"));
    setWindowTitle(QStringLiteral("Details of Index"));
    buildControls();
    makeRoomForJapanese(*this);
}

QLineEdit* ConfigDetailWindow::box(int field) const
{
    return m_boxes[field];
}

void ConfigDetailWindow::buildControls()
{
    const std::pair<int, const char*> named[] = {
        {IndexName, "IndexName"},
        {IndexAddress, "IndexAddress"},
        {ServerAddressHeader, "ServerAddressHeader"},
        {FileName, "FileName"},
        {FilterIndex1, "FilterIndex1"},
        {FilterIndex2, "FilterIndex2"},
        {FilterHeadline1, "FilterHeadline1"},
        {FilterHeadline2, "FilterHeadline2"},
        {FilterText1, "FilterText1"},
        {FilterText2, "FilterText2"},
        {NrPage, "NrPage"},
        {minPix, "minPix"},
    };
    for (const auto& [field, name] : named) {
        m_boxes[field] = new QLineEdit;
        m_boxes[field]->setObjectName(QString::fromLatin1(name));
    }
    box(IndexName)->setMinimumWidth(480);
    box(minPix)->setMaximumWidth(80);
    box(NrPage)->setMaximumWidth(80);
    // Counts are whole numbers; OK checks them again, naming the field.
    for (const int count : {NrPage, minPix}) {
        box(count)->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,10}")), box(count)));
    }
    const std::pair<int, const char*> tips[] = {
        {IndexName, "サイトの名前（ページの題と見出しになります）"},
        {FileName, "データ出力先の中に書き込むファイルの名前（フォルダは入れません）"},
        {IndexAddress, "記事へのリンクが並ぶページのアドレス"},
        {ServerAddressHeader, "相対リンクの前に付けるアドレス（空でもかまいません）"},
        {NrPage, "このサイトから集める記事の数（空なら制限なし）"},
        {minPix, "これより小さい画像（バイト）は残しません"},
    };
    for (const auto& [field, tip] : tips) {
        box(field)->setToolTip(QString::fromUtf8(tip));
    }

    // The fields on the left; a tried site's report beside them, once there is one.
    auto* sides = new QHBoxLayout(this);
    auto* column = new QVBoxLayout;
    sides->addLayout(column);
    column->addWidget(box(IndexName));
    auto* form = new QGridLayout;
    int line = 0;
    const auto addRow = [&](const QString& caption, QWidget* field) {
        form->addWidget(new QLabel(caption), line, 0);
        form->addWidget(field, line++, 1, 1, 2);
    };
    addRow(QStringLiteral("出力ファイル名"), box(FileName));
    addRow(QStringLiteral("インデックスアドレス"), box(IndexAddress));
    addRow(QStringLiteral("ホストアドレスヘッダ"), box(ServerAddressHeader));
    addRow(QStringLiteral("ダウンロード記事数"), box(NrPage));
    // Each pair of markers: the text before the part to cut out, then the text after it.
    const std::tuple<const char*, int, int, const char*> pairs[] = {
        {"インデックスを切り出す文字列", FilterIndex1, FilterIndex2, "記事へのリンクが並ぶ部分"},
        {"ヘッダを切り出す文字列", FilterHeadline1, FilterHeadline2, "記事の見出し"},
        {"記事を切り出す文字列", FilterText1, FilterText2, "記事の本文"},
    };
    for (const auto& [caption, first, last, part] : pairs) {
        form->addWidget(new QLabel(QString::fromUtf8(caption)), line, 0);
        form->addWidget(new QLabel(QStringLiteral("開始")), line, 1);
        form->addWidget(box(first), line++, 2);
        form->addWidget(new QLabel(QStringLiteral("終了")), line, 1);
        form->addWidget(box(last), line++, 2);
        box(first)->setToolTip(
            QStringLiteral("%1の前にある文字列（大文字と小文字は区別します）").arg(QString::fromUtf8(part)));
        box(last)->setToolTip(QStringLiteral("%1の後にある文字列").arg(QString::fromUtf8(part)));
    }
    form->setColumnStretch(2, 1);
    column->addLayout(form);

    m_chkAllTag = new QCheckBox(QStringLiteral("タグを全部除去"));
    m_chkAllTag->setObjectName(QStringLiteral("chkAllTag"));
    m_chkAllTag->setToolTip(QStringLiteral("タグをすべて除いて、文字だけのページにします"));
    m_chkPix = new QCheckBox(QStringLiteral("画像を保持："));
    m_chkPix->setObjectName(QStringLiteral("chkPix"));
    m_chkPix->setToolTip(QStringLiteral("記事の画像を pix フォルダに取っておきます"));
    auto* optionRow = new QHBoxLayout;
    optionRow->addWidget(m_chkAllTag);
    optionRow->addSpacing(24);
    optionRow->addWidget(m_chkPix);
    optionRow->addStretch();
    optionRow->addWidget(new QLabel(QStringLiteral("最小サイズ")));
    optionRow->addWidget(box(minPix));
    column->addLayout(optionRow);

    auto* tables = new QGroupBox(QStringLiteral("テーブルタグ:"));
    m_optKeepTable = new QRadioButton(QStringLiteral("全部のテーブルを保持"));
    m_optKeepTable->setObjectName(QStringLiteral("optKeepTable"));
    m_optTableTag = new QRadioButton(QStringLiteral("テーブルタグのみ除去"));
    m_optTableTag->setObjectName(QStringLiteral("optTableTag"));
    m_optAllTable = new QRadioButton(QStringLiteral("テーブルをすべて除去"));
    m_optAllTable->setObjectName(QStringLiteral("optAllTable"));
    auto* tableRow = new QHBoxLayout(tables);
    tableRow->addWidget(m_optKeepTable);
    tableRow->addWidget(m_optTableTag);
    tableRow->addWidget(m_optAllTable);
    column->addWidget(tables);

    auto* cmdDelete = namedButton(QStringLiteral("cmdDelete"), QStringLiteral("削除"));
    cmdDelete->setToolTip(QStringLiteral("このサイトを消します"));
    auto* cmdClose = namedButton(QStringLiteral("cmdClose"), QStringLiteral("閉じる"));
    cmdClose->setToolTip(QStringLiteral("変えたところを捨てて閉じます"));
    auto* cmdOK = namedButton(QStringLiteral("cmdOK"), QStringLiteral("OK"));
    cmdOK->setToolTip(QStringLiteral("設定画面の表に入れます（ファイルへは設定画面の OK で保存します）"));
    m_cmdTry = namedButton(QStringLiteral("cmdTry"), kTry);
    m_cmdTry->setToolTip(QStringLiteral("この画面のままのサイトを、保存せずに試します（何も書き込みません）"));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_cmdTry);
    bottom->addStretch();
    bottom->addWidget(cmdDelete);
    bottom->addWidget(cmdClose);
    bottom->addWidget(cmdOK);
    // Extra height, once the report beside it asks for it, goes below the fields.
    column->addStretch();
    column->addLayout(bottom);
    m_tryView = new SiteTryView;
    m_tryView->hide();
    m_tryView->setMinimumWidth(560);
    sides->addWidget(m_tryView, 1);
    connect(m_cmdTry, &QPushButton::clicked, this, &ConfigDetailWindow::tryOrStop);
    sides->setSizeConstraint(QLayout::SetMinAndMaxSize);
    bindDialogKeys(*this, cmdOK, cmdClose);

    // The form follows the boxes, so the configuration window knows what the detail window holds.
    for (QLineEdit* field : m_boxes) {
        if (field) {
            connect(field, &QLineEdit::textChanged, this, &ConfigDetailWindow::takeForm);
        }
    }
    for (QAbstractButton* option :
         std::initializer_list<QAbstractButton*>{m_chkAllTag, m_chkPix, m_optKeepTable, m_optTableTag, m_optAllTable}) {
        connect(option, &QAbstractButton::toggled, this, &ConfigDetailWindow::takeForm);
    }
    connect(cmdOK, &QPushButton::clicked, this, [this] {
        takeForm();
        m_detail.OK();
    });
    connect(cmdDelete, &QPushButton::clicked, this, [this] { m_detail.deleteSite(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { m_detail.close(); });
}

void ConfigDetailWindow::takeForm()
{
    if (m_filling) {
        return;
    }
    edit::DetailForm& form = m_detail.form;
    for (int field = 0; field < run::SiteRecord::kFieldCount; ++field) {
        if (m_boxes[field]) {
            form.fields.field(field) = fromQt(m_boxes[field]->text());
        }
    }
    form.chkAllTag = m_chkAllTag->isChecked();
    form.chkPix = m_chkPix->isChecked();
    form.table = m_optAllTable->isChecked()   ? edit::DetailForm::TableChoice::optAllTable
                 : m_optTableTag->isChecked() ? edit::DetailForm::TableChoice::optTableTag
                                              : edit::DetailForm::TableChoice::optKeepTable;
}

void ConfigDetailWindow::refresh()
{
    setWindowTitle(toQt(m_detail.caption()));
    if (m_shownBinding == m_detail.binding()) {
        return;
    }
    m_shownBinding = m_detail.binding();
    // Another row: what was tried belongs to the row shown before.
    m_trial.stop();
    hideReport();
    m_filling = true;
    const edit::DetailForm form = m_detail.form;
    for (int field = 0; field < run::SiteRecord::kFieldCount; ++field) {
        if (m_boxes[field]) {
            m_boxes[field]->setText(toQt(form.fields.field(field)));
            m_boxes[field]->setCursorPosition(0);
        }
    }
    m_chkAllTag->setChecked(form.chkAllTag);
    m_chkPix->setChecked(form.chkPix);
    switch (form.table) {
    case edit::DetailForm::TableChoice::optKeepTable:
        m_optKeepTable->setChecked(true);
        break;
    case edit::DetailForm::TableChoice::optTableTag:
        m_optTableTag->setChecked(true);
        break;
    case edit::DetailForm::TableChoice::optAllTable:
        m_optAllTable->setChecked(true);
        break;
    }
    m_filling = false;
}

void ConfigDetailWindow::tryOrStop()
{
    if (m_trial.phase() == session::SiteTrial::Phase::Running) {
        m_trial.stop();
        m_cmdTry->setEnabled(false); // until the trial has ended, within a second
        return;
    }
    takeForm();
    if (m_tryView->isHidden()) {
        m_widthWithoutReport = width();
        m_tryView->show();
        // The window widens for the report: it stays on the screen.
        QTimer::singleShot(0, this, [this] {
            const QScreen* shown = screen();
            const QRect frame = frameGeometry();
            if (shown && frame.right() > shown->availableGeometry().right()) {
                move(std::max(shown->availableGeometry().left(),
                              x() - (frame.right() - shown->availableGeometry().right())),
                     y());
            }
        });
    }
    const auto request =
        session::SiteTrial::request(m_detail.form.toRow(), m_detail.runSettings(), m_tryView->picked());
    if (const auto* problem = std::get_if<std::u16string>(&request)) {
        m_tryView->showProblem(*problem);
        return;
    }
    const gather::CheckRequest& asked = std::get<gather::CheckRequest>(request);
    std::u16string error;
    if (!m_trial.start(
            asked, [this](gather::SiteCheck check) { trialEnded(check); }, error)) {
        if (!error.empty()) {
            m_tryView->showProblem(u"試せません: " + error);
        }
        return;
    }
    m_tryView->showRunning(asked.site.IndexAddress);
    m_cmdTry->setText(kStop);
}

void ConfigDetailWindow::trialEnded(const gather::SiteCheck& check)
{
    m_cmdTry->setText(kTry);
    m_cmdTry->setEnabled(true);
    if (!m_tryView->isHidden()) {
        m_tryView->showCheck(check);
    }
}

void ConfigDetailWindow::setVisible(bool visible)
{
    // Closed: a trial of what it showed is of no use any more, and the window goes back to the
    // width it had before the report, so that it opens so next time.
    if (!visible && m_tryView && !m_tryView->isHidden()) {
        m_trial.stop();
        hideReport();
    }
    QWidget::setVisible(visible);
}

void ConfigDetailWindow::hideReport()
{
    m_tryView->clear();
    if (!m_tryView->isHidden()) {
        const int width = m_widthWithoutReport;
        m_tryView->hide();
        layout()->activate();
        resize(std::max(width, minimumSizeHint().width()), height());
    }
}

void ConfigDetailWindow::closeEvent(QCloseEvent* event)
{
    // The title bar closes as the close button does: after asking.
    if (m_detail.isOpen() && !m_detail.close()) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace vz::ui
